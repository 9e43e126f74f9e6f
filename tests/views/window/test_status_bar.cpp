// The main window's status bar: the camera record and the parameter labels.

#include "app/ParameterContainer.h"
#include "views/QtMainView.h"

#include <QLabel>
#include <QStatusBar>
#include <gtest/gtest.h>

namespace {

struct StatusBarTest : ::testing::Test {
    app::QtMainView view{0, 0, 800, 600};

    QString text(const char* name) { return view.statusBar()->findChild<QLabel*>(name)->text(); }

    QStringList parameterTexts()
    {
        QStringList texts;
        for (QLabel* label : parameterLabels())
            texts << label->text();
        return texts;
    }

    QList<QLabel*> parameterLabels() { return view.statusBar()->findChildren<QLabel*>("statusParameter"); }
};

TEST_F(StatusBarTest, CameraRecord)
{
    EXPECT_FALSE(view.statusBar()->isSizeGripEnabled());
    EXPECT_EQ(text("statusPoint"), "xy = (102,236)");
    EXPECT_EQ(text("statusColor"), "R = (64, 64,64)");

    struct Case {
        app::StatusBarInfo info;
        QStringList texts; // text 1, text 2, frame rates, point, colour
    };
    const Case cases[] = {
        {{L"QX-200 12345", L"RGB32 (2448x2048)", 30.0f, 7.5f, {-3, 12}, 255, 0, 128},
         {"QX-200 12345", "RGB32 (2448x2048)", "7.50/30.00 FPS", " X,Y = (-3,12)", " RGB = (255,0,128)"}},
        {{L"Cam \u00e9", L"", 30.0f, 29.97f, {0, 0}, 0, 0, 0},
         {"Cam \u00e9", "", "29.97/30.00 FPS", " X,Y = (0,0)", " RGB = (0,0,0)"}},
        {{L"", L"ignored", 30.0f, 7.5f, {1, 2}, 3, 4, 5},
         {"", "", "", "", ""}}, // an empty first text clears all five
    };
    for (const Case& c : cases) {
        view.updateStatusBar(c.info);
        EXPECT_EQ((QStringList{text("statusText1"), text("statusText2"), text("statusFramerate"),
                               text("statusPoint"), text("statusColor")}),
                  c.texts);
    }
}

TEST_F(StatusBarTest, ParameterLabels)
{
    helper::ParameterContainer strings;
    strings.addString(L"A", L"one");
    strings.addString(L"B", L"two");
    strings.addString(L"C", L"three");
    view.showStatusParameters(strings);
    EXPECT_EQ(parameterTexts(), (QStringList{"A: one", "B: two", "C: three"}));
    const QList<QLabel*> labels = parameterLabels();

    // Same size: the labels stay; the one left over by the list is cleared
    // instead of showing C's old value as if it were current.
    helper::ParameterContainer mixed;
    mixed.addInt(L"Gain", 0, 100, 5);
    mixed.addList(L"Mode", {L"Auto", L"Manual"}, L"Auto");
    mixed.addFloat(L"Gamma", 0.0, 10.0, 1.5);
    view.showStatusParameters(mixed);
    EXPECT_EQ(parameterLabels(), labels);
    EXPECT_EQ(parameterTexts(), (QStringList{"Gain: 5", "Gamma: 1.500000", ""}));

    helper::ParameterContainer others;
    others.addBool(L"Enabled", true);
    others.addBool(L"Invert", false);
    others.addInt(L"Offset", -100, 100, -7);
    others.addColor(L"Colour", 0xff00ff00u);
    view.showStatusParameters(others);
    EXPECT_EQ(parameterTexts(), (QStringList{"Enabled: 1", "Invert: 0", "Offset: -7", ""}));

    view.showStatusParameters(helper::ParameterContainer());
    EXPECT_TRUE(parameterLabels().isEmpty());
}

} // namespace
