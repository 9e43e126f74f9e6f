#include "kyrgx/UiRoot.h"

#include "app/JsonText.h"
#include "kyrgx/Clock.h"
#include "kyrgx/Control.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/ImageFont.h"
#include "kyrgx/Resources.h"
#include "kyrgx/Style.h"
#include "kyrgx/graphics_context.h"

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>

using nlohmann::json;

namespace kyrgx {

namespace {

constexpr const char* THEME_FILE = "windows10.json";

// Insets beyond this many pixels are no look of any control; the bound keeps
// the frame arithmetic of Style::drawFrame inside the int range.
constexpr double MAX_INSET = 100000.0;

// Reads a quad: an array of at least four numbers, each clamped to
// [-MAX_INSET, MAX_INSET] and truncated toward zero.
bool read_quad(const json& value, Quad& quad)
{
    if (!value.is_array() || value.size() < 4)
        return false;
    int v[4] = {};
    for (size_t i = 0; i < 4; ++i) {
        if (!value[i].is_number())
            return false;
        v[i] = static_cast<int>(std::clamp(value[i].get<double>(), -MAX_INSET, MAX_INSET));
    }
    quad = {v[0], v[1], v[2], v[3]};
    return true;
}

// A theme's font size in pixels: truncated toward zero and kept within what a
// glyph page can hold (ImageFont::MAX_PIXEL_SIZE).
int font_size(double size)
{
    return static_cast<int>(std::clamp(size, 1.0, static_cast<double>(ImageFont::MAX_PIXEL_SIZE)));
}

// The text parsed as JSON, or a discarded value when it is malformed or nests
// deeper than app::kMaxJsonDepth levels.
json parse_or_discard(const std::string& text)
{
    try {
        return app::parse_json(text);
    } catch (const std::exception&) {
        return json(json::value_t::discarded);
    }
}

} // namespace

UiRoot::UiRoot(Graphics* graphics, Clock clock) : graphics_(graphics), clock_(std::move(clock))
{
    if (!clock_)
        clock_ = [] { return now_ms(); };
    try {
        cursor_ = graphics_->loadImage(L"cursor.png");
    } catch (const std::exception& e) {
        spdlog::error("UiRoot::UiRoot() failed to load the cursor: {}", e.what());
    }
    rootControl_ = Control::create<Control>(this, 0, 0, graphics_->width(), graphics_->height(), L"Root");
    try {
        defaultFont_ = graphics_->getFont("arial.ttf", 18);
    } catch (const std::exception& e) {
        spdlog::error("UiRoot::UiRoot() failed to load the default font: {}", e.what());
    }
    loadTheme();
}

UiRoot::~UiRoot()
{
    shutdown();
}

int64_t UiRoot::now() const
{
    return clock_();
}

void UiRoot::shutdown()
{
    fonts_.clear();
    styles_.clear();
    defaultFont_ = nullptr;
    for (auto& p : pressed_)
        p.reset();
    hovered_.reset();
    focused_.reset();
    modalStack_.clear();
    if (rootControl_) {
        auto root = rootControl_;
        root->dispose();
        rootControl_.reset();
    }
    themeLoaded_ = false;
}

void UiRoot::forget(const std::shared_ptr<Control>& control)
{
    if (hovered_ == control)
        hovered_.reset();
    if (focused_ == control)
        focused_.reset();
    for (auto& p : pressed_)
        if (p == control)
            p.reset();
}

void UiRoot::post(Message message)
{
    std::lock_guard lock(queueMutex_);
    queue_.push_back(std::move(message));
}

void UiRoot::pushModal(std::shared_ptr<Control> control)
{
    if (control)
        modalStack_.push_back(std::move(control));
}

void UiRoot::popModal()
{
    if (!modalStack_.empty())
        modalStack_.pop_back();
}

std::shared_ptr<Style> UiRoot::style(const std::string& name)
{
    const auto it = styles_.find(name);
    if (it != styles_.end())
        return it->second;
    spdlog::error("Unknown style: {}", name);
    return std::make_shared<Style>();
}

Color UiRoot::color(const std::string& name)
{
    const auto it = colors_.find(name);
    if (it != colors_.end())
        return it->second;
    spdlog::error("Unknown color: {}", name);
    return Color(255, 255, 255, 255);
}

ImageFont* UiRoot::font(const std::string& name)
{
    const auto it = fonts_.find(name);
    if (it != fonts_.end())
        return it->second;
    try {
        ImageFont* f = graphics_->getFont(name, 12);
        fonts_[name] = f;
        return f;
    } catch (const std::exception&) {
        return defaultFont_;
    }
}

Color UiRoot::parseColor(const std::string& text) const
{
    const auto named = colors_.find(text);
    if (named != colors_.end())
        return named->second;
    const Color white(255, 255, 255, 255);
    if (text.size() < 6)
        return white;
    uint8_t channels[3] = {};
    for (size_t i = 0; i < 3; ++i) {
        const std::string pair = text.substr(i * 2, 2);
        char* end = nullptr;
        const long value = std::strtol(pair.c_str(), &end, 16);
        // Accept what strtol reads, but only when it read a digit.
        bool digit = false;
        for (const char* p = pair.c_str(); p < end; ++p)
            digit = digit || std::isxdigit(static_cast<unsigned char>(*p));
        if (!digit)
            return white;
        channels[i] = static_cast<uint8_t>(value & 0xFF);
    }
    return Color(channels[0], channels[1], channels[2], 255);
}

namespace {

void read_style(UiRoot& root, const json& object, Style& style)
{
    for (const auto& [key, value] : object.items()) {
        bool ok = true;
        if (key == "backgroundColor" || key == "borderColor" || key == "skinColor" || key == "textcolor") {
            ok = value.is_string();
            if (ok) {
                const Color c = root.parseColor(value.get<std::string>());
                if (key == "backgroundColor")
                    style.backgroundColor = c;
                else if (key == "borderColor")
                    style.borderColor = c;
                else if (key == "skinColor")
                    style.skinColor = c;
                else
                    style.textColor = c;
            }
        } else if (key == "border") {
            ok = read_quad(value, style.border);
        } else if (key == "margin") {
            ok = read_quad(value, style.margin);
        } else if (key == "padding") {
            ok = read_quad(value, style.padding);
        } else if (key == "font") {
            ok = value.is_string();
            if (ok)
                style.font = root.font(value.get<std::string>());
        } else if (key == "states") {
            ok = value.is_object();
            if (ok)
                for (const auto& [stateName, stateObject] : value.items()) {
                    if (!stateObject.is_object()) {
                        spdlog::error("Theme: state '{}' of style '{}' is not an object", stateName,
                                      style.name);
                        continue;
                    }
                    // A state the style lacks starts as a copy of the style's look
                    // without the states read so far: each state object of the file
                    // then costs one style, however the states nest.
                    std::shared_ptr<Style>& state = style.states[stateName];
                    if (!state)
                        state = style.cloneWithoutStates();
                    read_style(root, stateObject, *state);
                }
        }
        if (!ok)
            spdlog::error("Theme: style '{}' has an unreadable \"{}\": {}", style.name, key, value.dump());
    }
}

} // namespace

bool UiRoot::parseStyle(const std::string& text, Style& style)
{
    const json object = parse_or_discard(text);
    if (!object.is_object()) {
        spdlog::error("Theme: a style is not a JSON object: {}", text);
        return false;
    }
    read_style(*this, object, style);
    return true;
}

void UiRoot::loadTheme()
{
    const std::string text = load_resource_text(L"windows10.json");
    const json theme = parse_or_discard(text);
    if (!theme.is_object()) {
        spdlog::error("Failed to load '{}' file", THEME_FILE);
        return;
    }
    if (const auto fonts = theme.find("fonts"); fonts != theme.end() && fonts->is_object()) {
        for (const auto& [name, entry] : fonts->items()) {
            const auto size = entry.find("size");
            const auto file = entry.find("file");
            if (!entry.is_object() || size == entry.end() || !size->is_number() || file == entry.end() ||
                !file->is_string()) {
                spdlog::error("Theme: font '{}' needs a numeric \"size\" and a \"file\": {}", name,
                              entry.dump());
                continue;
            }
            try {
                fonts_[name] = graphics_->getFont(file->get<std::string>(), font_size(size->get<double>()));
            } catch (const std::exception& e) {
                spdlog::error("Theme: font '{}' cannot be loaded: {}", name, e.what());
            }
        }
    }
    if (const auto colors = theme.find("colors"); colors != theme.end() && colors->is_object()) {
        for (const auto& [name, value] : colors->items()) {
            if (!value.is_string()) {
                spdlog::error("Theme: colour '{}' is not a text: {}", name, value.dump());
                continue;
            }
            colors_[name] = parseColor(value.get<std::string>());
        }
    }
    if (const auto styles = theme.find("styles"); styles != theme.end() && styles->is_object()) {
        for (const auto& [name, object] : styles->items()) {
            if (!object.is_object()) {
                spdlog::error("Theme: style '{}' is not an object", name);
                continue;
            }
            auto style = std::make_shared<Style>();
            style->name = name;
            read_style(*this, object, *style);
            styles_[name] = style;
        }
    }
    themeLoaded_ = true;
}

void UiRoot::send(const std::shared_ptr<Control>& to, int type, int button)
{
    if (!to)
        return;
    Message m = Message::pointer(type, to, mouse_, button);
    to->handleMessage(m);
}

void UiRoot::update(Graphics& g)
{
    if (!rootControl_)
        return;
    graphics_context* ctx = g.context();
    const MouseState polled = ctx->mouseState();
    const std::vector<PointerEvent> events = ctx->takePointerEvents();
    std::shared_ptr<Control> hit;
    if (events.empty()) {
        mouse_ = polled;
        hit = pointerTarget();
        routePointer(hit);
    } else {
        // Each event with its own position and the buttons as it leaves them.
        for (const PointerEvent& e : events) {
            // A press or release somewhere new: the pointer got there first.
            if (e.kind != PointerEvent::Kind::Move && (e.x != lastPosition_.x || e.y != lastPosition_.y)) {
                if (!rootControl_)
                    return;
                applyPointerEvent({PointerEvent::Kind::Move, e.x, e.y, -1});
                routePointer(pointerTarget());
            }
            if (!rootControl_)
                return;
            applyPointerEvent(e);
            hit = pointerTarget();
            routePointer(hit);
        }
        mouse_.wheel = polled.wheel;
    }
    if (!rootControl_)
        return;
    routeKeys(ctx);
    routeWheel(hit);

    std::vector<Message> taken;
    {
        std::lock_guard lock(queueMutex_);
        taken.swap(queue_);
    }
    for (Message& m : taken) {
        if (!rootControl_)
            break;
        rootControl_->handleMessage(m);
        if (!m.handled && m.target)
            m.target->handleMessage(m);
    }
    if (rootControl_)
        rootControl_->tick();
}

std::shared_ptr<Control> UiRoot::pointerTarget() const
{
    const auto& start = modalStack_.empty() ? rootControl_ : modalStack_.back();
    const Vec2<int> p = mouse_.pixel();
    return start->hitTest(p.x, p.y, 0, 0);
}

void UiRoot::applyPointerEvent(const PointerEvent& e)
{
    mouse_.x = e.x;
    mouse_.y = e.y;
    mouse_.wheel = 0.0f;
    int32_t* const fields[3] = {&mouse_.left, &mouse_.right, &mouse_.middle};
    for (size_t b = 0; b < 3; ++b)
        *fields[b] = buttonDown_[b] ? 0 : 1;
    if (e.button >= 0 && e.button < 3) {
        const size_t b = static_cast<size_t>(e.button);
        if (e.kind == PointerEvent::Kind::Press)
            *fields[b] = 0;
        else if (e.kind == PointerEvent::Kind::Release)
            *fields[b] = 1;
    }
}

void UiRoot::routePointer(const std::shared_ptr<Control>& hit)
{
    const bool moved = mouse_.x != lastPosition_.x || mouse_.y != lastPosition_.y;
    for (int i = 0; i < 3; ++i) {
        const size_t b = static_cast<size_t>(i);
        const bool down = mouse_.buttonState(i) == 0;
        mouse_.button = i;
        if (down && !buttonDown_[b]) {
            pressed_[b] = hit;
            buttonDown_[b] = true;
            if (hit) {
                hit->setFocus(true);
                send(hit, MSG_DOWN, -1);
            }
        } else if (!down && buttonDown_[b]) {
            buttonDown_[b] = false;
            if (auto pressed = pressed_[b]) {
                if (hit == pressed) {
                    send(hit, MSG_UP, i);
                    send(hit, MSG_CLICK, i);
                    const int64_t now = clock_();
                    if (clicked_[b] && now - lastClick_[b] <= DOUBLE_CLICK_MS)
                        send(hit, MSG_DOUBLE_CLICK, i);
                    lastClick_[b] = now;
                    clicked_[b] = true;
                } else {
                    send(pressed, MSG_LEAVE, i);
                    send(hit, MSG_ENTER, -1);
                }
                pressed_[b].reset();
            }
        } else if (down && buttonDown_[b]) {
            if (auto pressed = pressed_[b]) {
                if (moved)
                    send(pressed, MSG_MOVE, i);
                if (hit != pressed && hit != hovered_) {
                    send(pressed, MSG_LEAVE, i);
                    send(hit, MSG_ENTER, -1);
                }
            }
        }
        buttonDown_[b] = down;
    }

    if (moved) {
        send(hit, MSG_MOVE, -1);
        if (hit != hovered_) {
            send(hovered_, MSG_LEAVE, -1);
            send(hit, MSG_ENTER, -1);
        }
    }
    lastPosition_ = {mouse_.x, mouse_.y};
    hovered_ = hit;
}

void UiRoot::routeKeys(graphics_context* ctx)
{
    if (!focused_ || !focused_->isVisible())
        return;
    const auto target = focused_;
    for (int k = 0; k < 512; ++k) {
        const bool d = ctx->isKeyDown(k);
        const size_t slot = static_cast<size_t>(k);
        if (d && !keys_[slot]) {
            Message m = Message::keyMessage(MSG_KEY_DOWN, target, k);
            target->handleMessage(m);
        } else if (!d && keys_[slot]) {
            Message m = Message::keyMessage(MSG_KEY_UP, target, k);
            target->handleMessage(m);
        }
        keys_[slot] = d ? 1 : 0;
        const int presses = ctx->pressCount(k);
        for (int n = 0; n < presses; ++n) {
            Message m = Message::keyMessage(MSG_KEY_PRESS, target, k);
            target->handleMessage(m);
        }
    }
}

void UiRoot::routeWheel(const std::shared_ptr<Control>& hit)
{
    const int w = static_cast<int>(mouse_.wheel);
    if (w == 0)
        return;
    Message m = Message::pointer(w > 0 ? MSG_WHEEL_FORWARD : MSG_WHEEL_BACK, hit, mouse_, -1);
    if (hit)
        hit->handleMessage(m);
    if (!m.handled && focused_ && focused_ != hit)
        focused_->handleMessage(m);
}

} // namespace kyrgx
