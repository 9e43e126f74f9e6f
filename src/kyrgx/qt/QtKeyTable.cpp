#include "kyrgx/qt/QtKeyTable.h"

#include "kyrgx/Keys.h"

#include <Qt>
#include <utility>
#include <vector>

namespace app {

namespace {

std::map<int, int> build_table()
{
    // Rows in this order; a key listed twice keeps its first code.
    const std::vector<std::pair<int, int>> rows = {
        {Qt::Key_unknown, 0},
        {Qt::Key_Escape, 1},
        {Qt::Key_1, 2},
        {Qt::Key_2, 3},
        {Qt::Key_3, 4},
        {Qt::Key_4, 5},
        {Qt::Key_5, 6},
        {Qt::Key_6, 7},
        {Qt::Key_7, 8},
        {Qt::Key_8, 9},
        {Qt::Key_9, 10},
        {Qt::Key_0, 11},
        {Qt::Key_Minus, 12},
        {Qt::Key_Equal, 13},
        {Qt::Key_Backspace, 14},
        {Qt::Key_Tab, 15},
        {Qt::Key_Q, 16},
        {Qt::Key_W, 17},
        {Qt::Key_E, 18},
        {Qt::Key_R, 19},
        {Qt::Key_T, 20},
        {Qt::Key_Y, 21},
        {Qt::Key_U, 22},
        {Qt::Key_I, 23},
        {Qt::Key_O, 24},
        {Qt::Key_P, 25},
        {Qt::Key_BracketLeft, 26},
        {Qt::Key_BracketRight, 27},
        {Qt::Key_Enter, 28},
        {Qt::Key_Return, 28},
        {Qt::Key_Control, 29},
        {Qt::Key_A, 30},
        {Qt::Key_S, 31},
        {Qt::Key_D, 32},
        {Qt::Key_F, 33},
        {Qt::Key_G, 34},
        {Qt::Key_H, 35},
        {Qt::Key_J, 36},
        {Qt::Key_K, 37},
        {Qt::Key_L, 38},
        {Qt::Key_Semicolon, 39},
        {Qt::Key_Apostrophe, 40},
        {Qt::Key_Igrave, 41},
        {Qt::Key_QuoteLeft, 41}, // the grave-accent key itself
        {Qt::Key_Shift, 42},
        {Qt::Key_Backslash, 43},
        {Qt::Key_Z, 44},
        {Qt::Key_X, 45},
        {Qt::Key_C, 46},
        {Qt::Key_V, 47},
        {Qt::Key_B, 48},
        {Qt::Key_N, 49},
        {Qt::Key_M, 50},
        {Qt::Key_Comma, 51},
        {Qt::Key_Period, 52},
        {Qt::Key_Slash, 53},
        {Qt::Key_Shift, 54},
        {Qt::Key_multiply, 55},
        {Qt::Key_Asterisk, 55}, // keypad '*' (Qt reports it without the keypad in the code)
        {Qt::Key_Alt, 56},
        {Qt::Key_Space, 57},
        {Qt::Key_CapsLock, 58},
        {Qt::Key_F1, 59},
        {Qt::Key_F2, 60},
        {Qt::Key_F3, 61},
        {Qt::Key_F4, 62},
        {Qt::Key_F5, 63},
        {Qt::Key_F6, 64},
        {Qt::Key_F7, 65},
        {Qt::Key_F8, 66},
        {Qt::Key_F9, 67},
        {Qt::Key_F10, 68},
        {Qt::Key_NumLock, 69},
        {Qt::Key_ScrollLock, 70},
        {Qt::Key_F11, 87},
        {Qt::Key_F12, 88},
        {Qt::Key_SysReq, 99},
        {Qt::Key_AltGr, 100},
        {Qt::Key_Home, 102},
        {Qt::Key_Up, 103},
        {Qt::Key_PageUp, 104},
        {Qt::Key_Left, 105},
        {Qt::Key_Right, 106},
        {Qt::Key_End, 107},
        {Qt::Key_Down, 108},
        {Qt::Key_PageDown, 109},
        {Qt::Key_Insert, 110},
        {Qt::Key_Delete, 111},
        {Qt::Key_Pause, 119},
        {Qt::Key_F13, 183},
        {Qt::Key_F14, 184},
        {Qt::Key_F15, 185},
        {Qt::Key_F16, 186},
        {Qt::Key_F17, 187},
        {Qt::Key_F18, 188},
        {Qt::Key_F19, 189},
        {Qt::Key_F20, 190},
        {Qt::Key_F21, 191},
        {Qt::Key_F22, 192},
        {Qt::Key_F23, 193},
        {Qt::Key_F24, 194},
    };
    std::map<int, int> table;
    for (const auto& [qt, code] : rows)
        table.emplace(qt, code); // emplace keeps the first row of a repeated key
    return table;
}

const std::map<int, int> g_table = build_table();

} // namespace

const std::map<int, int>& qt_key_table()
{
    return g_table;
}

int qt_key_to_keys(int qtKey)
{
    const auto it = g_table.find(qtKey);
    // Qt's "unknown key" row maps to the reserved code 0, which is no key either.
    if (it == g_table.end() || it->second == kyrgx::KEY_RESERVED)
        return kyrgx::KEY_UNKNOWN;
    return it->second;
}

} // namespace app
