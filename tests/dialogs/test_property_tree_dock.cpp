// The property tree dock: its first state, the filter row, clicks that toggle
// rows and fill the information box, editors for rows that come back, the
// camera switch, and closing, which leaves no editor and no notification.

#include "TreeCameras.h"
#include "dialogs/GenICamPropertyDialog.h"
#include "dialogs/IPropControl.h"
#include "dialogs/MyTreeView.h"
#include "dialogs/PropertyInfoBox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <set>

using namespace quorel::test;
using namespace vsx::ui_util;

namespace {

class PropertyTreeDockTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        open(kFilterCamera);
        before = registration_count(kFilterCamera);
        dock = make_property_tree_dock(grabber);
        dock->resize(420, 900);
        dock->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        dock.reset();
        TreeTest::TearDown();
    }

    // Every row the view shows below its root: feature name -> its index.
    std::map<std::string, QModelIndex> rows(const QModelIndex& parent) const
    {
        std::map<std::string, QModelIndex> out;
        for (int row = 0; row < dock->proxy.rowCount(parent); ++row) {
            const QModelIndex index = dock->proxy.index(row, 0, parent);
            out[PropertyTreeModel::node_of(dock->proxy.mapToSource(index))->property.name()] = index;
            out.merge(rows(index));
        }
        return out;
    }
    std::map<std::string, QModelIndex> rows() const { return rows(dock->view->rootIndex()); }

    // The editors that exist (the view deletes released ones at the next turn of the loop).
    int editors() const
    {
        int count = 0;
        for (QWidget* widget : dock->findChildren<QWidget*>())
            count += dynamic_cast<IPropControl*>(widget) != nullptr;
        return count;
    }

    void click(const QModelIndex& index)
    {
        dock->view->scrollTo(index);
        const QRect rect = dock->view->visualRect(index);
        QTest::mouseClick(dock->view->viewport(), Qt::LeftButton, {},
                          QPoint(rect.left() + 4, rect.center().y()));
    }

    int64_t before = 0;
    std::shared_ptr<GenICamPropertyDialog> dock;
};

TEST_F(PropertyTreeDockTest, StartsAtExpertFullyExpandedWithOneEditorPerRow)
{
    // The dock is what the main controller's factory makes.
    const app::PropertyTreeViewFactory factory = make_property_tree_dock;
    EXPECT_TRUE(factory(nullptr));
    EXPECT_EQ(dock->windowTitle(), "GenICam Properties");
    EXPECT_EQ(dock->allowedAreas(), Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    EXPECT_EQ(dock->minimumWidth(), 360);
    EXPECT_EQ(dock->levelBox->currentText(), "Expert");
    EXPECT_TRUE(dock->filterEdit->text().isEmpty());
    EXPECT_TRUE(dock->view->isEnabled());
    // Rooted at "Root": its categories are the top-level rows.
    EXPECT_EQ(PropertyTreeModel::node_of(dock->proxy.mapToSource(dock->view->rootIndex())),
              dock->model->root_item());
    const auto shown = rows();
    EXPECT_FALSE(shown.count("Root"));
    EXPECT_TRUE(shown.count("DeviceControl") && shown.count("LevelExpert") &&
                shown.count("SensorDefectPixelCount"));
    EXPECT_FALSE(shown.count("LevelGuru") || shown.count("Width") || shown.count("ExposureAutoReference"));
    for (const auto& [name, index] : shown) {
        EXPECT_NE(dock->view->indexWidget(index.siblingAtColumn(1)), nullptr) << name;
        if (dock->proxy.rowCount(index) > 0) {
            EXPECT_TRUE(dock->view->isExpanded(index)) << name;
        }
    }
    // One editor per row (and the hidden root row's).
    EXPECT_EQ(editors(), static_cast<int>(shown.size()) + 1);
}

TEST_F(PropertyTreeDockTest, LevelAndNameFilter)
{
    dock->levelBox->setCurrentIndex(2); // Guru
    auto shown = rows();
    EXPECT_TRUE(shown.count("LevelGuru") && shown.count("SimStall") && shown.count("LevelExpert"));
    EXPECT_TRUE(dock->view->isExpanded(shown.at("Simulation")));
    EXPECT_TRUE(dock->view->isExpanded(shown.at("Levels")));
    EXPECT_NE(dock->view->indexWidget(shown.at("SimStall").siblingAtColumn(1)), nullptr);
    dock->levelBox->setCurrentIndex(0); // Beginner
    shown = rows();
    EXPECT_TRUE(shown.count("LevelBeginner"));
    EXPECT_FALSE(shown.count("LevelExpert") || shown.count("LevelGuru"));

    dock->levelBox->setCurrentIndex(1);
    QTest::keyClicks(dock->filterEdit, "gain");
    shown = rows();
    EXPECT_TRUE(shown.count("Gain") && shown.count("GainAutoLowerLimit") && shown.count("AnalogControl"));
    EXPECT_FALSE(shown.count("ExposureTime") || shown.count("DeviceControl"));
    dock->filterEdit->setText("^Ex");
    shown = rows();
    EXPECT_TRUE(shown.count("ExposureTime") && shown.count("ExposureAuto"));
    EXPECT_FALSE(shown.count("Gain"));
    dock->filterEdit->setText("(gain");
    EXPECT_TRUE(rows().empty());
    dock->filterEdit->setText("(gain)");
    EXPECT_TRUE(rows().count("Gain"));
}

// Every feature of every simulated camera gets a working editor at every
// level, and building them logs no error.
TEST_F(PropertyTreeDockTest, EveryFeatureOfEverySimulatedCameraGetsItsEditorAtEveryLevel)
{
    const char* const cameras[] = {kUsbColor, kUsbMono,      kGigeColor,   kReachableGigeMono,
                                   kAnalog,   kFilterCamera, kEditorCamera};
    for (const char* serial : cameras) {
        SCOPED_TRACE(serial);
        // The fixture holds the filter camera open.
        const auto camera = std::string(serial) == kFilterCamera ? grabber : open_grabber(serial);
        LogCapture log;
        dock->showDevice(camera);
        for (int level : {2, 1, 0}) {
            SCOPED_TRACE(dock->levelBox->itemText(level).toStdString());
            dock->levelBox->setCurrentIndex(level);
            QCoreApplication::processEvents();
            const auto shown = rows();
            EXPECT_GT(shown.size(), 5u);
            for (const auto& [name, index] : shown) {
                const auto* editor =
                    dynamic_cast<IPropControl*>(dock->view->indexWidget(index.siblingAtColumn(1)));
                EXPECT_NE(editor, nullptr) << name;
            }
        }
        EXPECT_TRUE(log.texts(spdlog::level::err).empty())
            << ::testing::PrintToString(log.texts(spdlog::level::err));
        dock->clearDevice();
        run_deferred_deletes();
    }
}

TEST_F(PropertyTreeDockTest, ClicksToggleRowsAndDescribeTheFeature)
{
    auto shown = rows();
    const QModelIndex category = shown.at("AnalogControl");
    click(category);
    EXPECT_FALSE(dock->view->isExpanded(category));
    EXPECT_TRUE(dock->infoView->toPlainText().startsWith("AnalogControl"));
    EXPECT_TRUE(dock->infoView->toPlainText().contains("Type: Category"));
    click(category);
    EXPECT_TRUE(dock->view->isExpanded(category));
    click(shown.at("Gain"));
    EXPECT_TRUE(dock->infoView->toPlainText().contains("Amplification of the sensor signal."));
    EXPECT_TRUE(dock->infoView->isEnabled());
}

TEST_F(PropertyTreeDockTest, ARowThatBecomesAvailableGetsItsEditor)
{
    EXPECT_FALSE(rows().count("ExposureAutoReference"));
    ASSERT_TRUE(vsxsim_camera_write(kFilterCamera, "ExposureAuto", "Continuous"));
    deliver_notifications();
    const auto shown = rows();
    ASSERT_TRUE(shown.count("ExposureAutoReference"));
    EXPECT_NE(dock->view->indexWidget(shown.at("ExposureAutoReference").siblingAtColumn(1)), nullptr);
    EXPECT_TRUE(dock->view->isExpanded(shown.at("AcquisitionControl")));
    ASSERT_TRUE(vsxsim_camera_write(kFilterCamera, "ExposureAuto", "Off"));
    deliver_notifications();
    EXPECT_FALSE(rows().count("ExposureAutoReference"));
}

TEST_F(PropertyTreeDockTest, AnotherCameraUnderATypedFilterBringsItsGrabber)
{
    QTest::keyClicks(dock->filterEdit, "gain");
    const auto second = open_grabber(kEditorCamera);
    dock->showDevice(second);
    run_deferred_deletes();
    const auto shown = rows();
    EXPECT_TRUE(shown.count("Gain") && shown.count("GainAuto")) << "a new model is filtered by its names";
    EXPECT_FALSE(shown.count("Snapped"));
    EXPECT_EQ(dock->grabber(), second.get());
    for (QWidget* widget : dock->findChildren<QWidget*>())
        if (auto* editor = dynamic_cast<IPropControl*>(widget)) {
            EXPECT_EQ(editor->stream_grabber(), second.get());
        }
    // The first camera keeps no notification of the dock.
    EXPECT_EQ(registration_count(kFilterCamera), before);
    dock->clearDevice();
    EXPECT_EQ(dock->grabber(), nullptr);
}

TEST_F(PropertyTreeDockTest, ClosingLeavesNoEditorAndNoNotification)
{
    EXPECT_GT(registration_count(kFilterCamera), before + 50);
    int closed = 0;
    dock->closed.push_back([&](app::IViewBase* view) {
        EXPECT_EQ(view, static_cast<app::IViewBase*>(dock.get()));
        ++closed;
    });
    dock->close();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(dock->model, nullptr);
    EXPECT_EQ(registration_count(kFilterCamera), before);
    run_deferred_deletes();
    EXPECT_EQ(editors(), 0);
    EXPECT_FALSE(dock->view->isEnabled() || dock->levelBox->isEnabled() || dock->filterEdit->isEnabled() ||
                 dock->infoView->isEnabled());

    // Shown again it builds a fresh model; deleting the dock ends everything too.
    dock->showDevice(grabber);
    dock->show();
    EXPECT_GT(editors(), 50);
    dock.reset();
    run_deferred_deletes();
    EXPECT_EQ(registration_count(kFilterCamera), before);
}

} // namespace
