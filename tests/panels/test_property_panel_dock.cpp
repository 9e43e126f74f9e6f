// The simple property panel in the real device-properties dock, with a
// simulated camera's own feature list and the program's English texts: what
// the user sees, and that the dock's editors reach the camera and follow it.

#include "app/Utf8.h"
#include "device/ControllerCameras.h"
#include "panels/PropertyItemBuilder.h"
#include "panels/PropertyViewController.h"
#include "views/docks/DockTestSupport.h"
#include "views/docks/QtPropertyView.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/ExposureParameter.h"
#include "views/grid/FloatParameter.h"
#include "views/grid/IntParameter.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/PropertyGridLabelBase.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <atomic>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace quorel::test;
using namespace app::QtView;
using ::testing::ElementsAre;

namespace {

class PropertyPanelDock : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_controller_cameras();
        vsxsim_clear_faults();
        ASSERT_TRUE(vsxsim_configure(kTestCameras));
        app::VideoDeviceController::setPropertyItemsBuilder(VSXUtil::init_properties);
        camera = std::make_shared<app::VideoDeviceController>();
        camera->openGrabber(open_grabber(kUsbColor));
        panel = std::make_shared<app::PropertyViewController>(dock.get(), [this] { return now.load(); });
    }
    void TearDown() override
    {
        panel->close();
        panel.reset();
        camera->closeDevice();
        app::VideoDeviceController::setPropertyItemsBuilder(nullptr);
    }

    void tick()
    {
        now += 16;
        panel->processTimeouts();
    }
    void show()
    {
        panel->setDevice(camera.get());
        for (int i = 0; i < 50 && panel->pendingCount() > 0; ++i)
            tick();
        run_posted();
    }
    // What the camera did with the notifications of everything written so far
    // reaches the panel; the next tick shows it.
    static void cameraSettles() { ASSERT_TRUE(vsxsim_flush(5000)); }

    std::vector<std::wstring> pageTitles() const
    {
        std::vector<std::wstring> titles;
        for (const QtAccordionPage* page : dock->accordion()->pages())
            titles.push_back(page->title());
        return titles;
    }

    // Every grid of the dock as "<caption>: <row label>, ..." in page order.
    std::vector<std::string> grids() const
    {
        std::vector<std::string> out;
        for (const QtAccordionPage* page : dock->accordion()->pages()) {
            QLayout* content = page->contentLayout();
            for (int i = 0; i + 1 < content->count(); i += 2) {
                auto* caption = qobject_cast<QLabel*>(content->itemAt(i)->widget());
                auto* grid = dynamic_cast<PropertyGrid*>(content->itemAt(i + 1)->widget());
                if (!caption || !grid)
                    continue;
                std::string line = caption->text().toStdString() + ":";
                for (const QString& label : labels(grid))
                    line += " " + label.toStdString() + ",";
                line.pop_back();
                out.push_back(line);
            }
        }
        return out;
    }

    static QStringList labels(const PropertyGrid* grid)
    {
        QStringList texts;
        auto* layout = static_cast<QGridLayout*>(grid->layout());
        for (int row = 0; row < layout->rowCount(); ++row)
            if (QLayoutItem* item = layout->itemAtPosition(row, 1))
                if (auto* label = dynamic_cast<PropertyGridLabelBase*>(item->widget()))
                    texts << label->text();
        return texts;
    }

    // The label and editor of the first row of that label in a group.
    template <typename Editor> std::pair<PropertyGridLabelBase*, Editor*> row(const QString& text) const
    {
        for (QObject* child : dock->findChildren<QFrame*>()) {
            auto* grid = dynamic_cast<PropertyGrid*>(child);
            if (!grid)
                continue;
            auto* layout = static_cast<QGridLayout*>(grid->layout());
            for (int r = 0; r < layout->rowCount(); ++r) {
                QLayoutItem* labelItem = layout->itemAtPosition(r, 1);
                QLayoutItem* editorItem = layout->itemAtPosition(r, 3);
                auto* label = labelItem ? dynamic_cast<PropertyGridLabelBase*>(labelItem->widget()) : nullptr;
                if (label && label->text() == text && editorItem)
                    return {label, dynamic_cast<Editor*>(editorItem->widget())};
            }
        }
        return {nullptr, nullptr};
    }

    double cameraValue(const std::string& feature) const { return std::stod(device_value(*camera, feature)); }

    DocksEnvironment environment;
    std::unique_ptr<QtPropertyView> dock =
        std::make_unique<QtPropertyView>(L"Device Properties", nullptr, true, true, false);
    std::atomic<int64_t> now{1000};
    std::shared_ptr<app::VideoDeviceController> camera;
    std::shared_ptr<app::PropertyViewController> panel;
};

TEST_F(PropertyPanelDock, TheCamerasPagesGroupsAndRowsAreTitledFromTheLanguageFile)
{
    show();
    EXPECT_THAT(pageTitles(), ElementsAre(L"Exposure", L"Color", L"Image"));
    EXPECT_TRUE(dock->accordion()->pages().front()->isExpanded());
    EXPECT_THAT(grids(), ElementsAre("Exposure: Exposure Auto, One Push, Exposure Time, Auto Reference",
                                     "Gain: Gain Auto, One Push, Gain", "Miscellaneous: Black Level",
                                     "White Balance: White Balance Auto, One Push, Red, Green, Blue",
                                     "Miscellaneous: Gamma"));
    // Off: the reference of the automatic exposure is unavailable.
    EXPECT_FALSE(row<IntParameter>("Auto Reference").second->isEnabled());
}

TEST_F(PropertyPanelDock, MovingTheGainSliderChangesTheCamera)
{
    show();
    FloatParameter* gain = row<FloatParameter>("Gain").second;
    ASSERT_NE(gain, nullptr);
    ASSERT_NE(gain->slider(), nullptr);
    gain->slider()->setValue(50);
    EXPECT_NEAR(cameraValue("Gain"), 12.0, 1e-3);

    // The camera's own change comes back at the next tick.
    ASSERT_TRUE(vsxsim_camera_write(kUsbColor, "Gain", "6"));
    cameraSettles();
    EXPECT_NEAR(gain->value(), 12.0, 1e-3);
    tick();
    EXPECT_NEAR(gain->value(), 6.0, 1e-3);
}

TEST_F(PropertyPanelDock, ContinuousAutomaticExposureLocksTheExposureRowWithinATick)
{
    show();
    QCheckBox* automatic = row<BoolParamater>("Exposure Auto").second;
    ExposureParameter* exposure = row<ExposureParameter>("Exposure Time").second;
    ASSERT_NE(automatic, nullptr);
    ASSERT_NE(exposure, nullptr);
    EXPECT_TRUE(exposure->slider()->isEnabled());

    automatic->click();
    EXPECT_EQ(device_value(*camera, "ExposureAuto"), "Continuous");
    cameraSettles();
    EXPECT_TRUE(exposure->slider()->isEnabled()); // not before the GUI tick
    tick();
    EXPECT_FALSE(exposure->slider()->isEnabled());
    EXPECT_TRUE(row<IntParameter>("Auto Reference").second->isEnabled());

    automatic->click();
    cameraSettles();
    tick();
    EXPECT_TRUE(exposure->slider()->isEnabled());
}

TEST_F(PropertyPanelDock, PointingAtARowShowsItsTitleAndDescription)
{
    show();
    PropertyGridLabelBase* label = row<FloatParameter>("Gain").first;
    ASSERT_NE(label, nullptr);
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(label, &enter);
    EXPECT_EQ(dock->titleLabel()->text(), QStringLiteral("Gain - Gain"));
    EXPECT_EQ(dock->descriptionLabel()->text(), QStringLiteral("Amplification of the sensor signal."));
}

} // namespace
