// The editors' guarded write on a streaming camera: stop, write, set up again
// with the same sink, acquisition restarted only when it ran; a failing stop
// writes nothing; a failing restart is reported.

#include "device/ControllerCameras.h"
#include "device/FrameLog.h"
#include "dialogs/CreatePropControl.h"
#include "dialogs/PropIntControl.h"
#include "dialogs/PropIntSpinBox.h"
#include "dialogs/StreamGuard.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QLineEdit>

using namespace quorel::test;
using namespace vsx::ui_util;

namespace {

class StreamGuardTest : public ControllerTest {
protected:
    void SetUp() override
    {
        ControllerTest::SetUp();
        set_error_reporter([this](QWidget*, const QString& title, const QString& text) {
            reported.push_back((title + ": " + text).toStdString());
        });
        open(kUsbMono);
        frames.attach(*controller);
        controller->setVideoformat("Mono8", 640, 480);
        controller->startLive();
        deliver(2);
        map = controller->grabber()->devicePropertyMap();
        width.reset(dynamic_cast<PropIntControl*>(
            create_prop_control(map.find("Width"), nullptr, controller->grabber().get())));
        ASSERT_TRUE(width);
    }
    void TearDown() override
    {
        width.reset();
        set_error_reporter(nullptr);
        ControllerTest::TearDown();
    }

    void deliver(size_t count)
    {
        const size_t before = frames.count();
        ASSERT_TRUE(vsxsim_step(kUsbMono, static_cast<int>(count)));
        ASSERT_TRUE(frames.waitFor(before + count));
        ASSERT_TRUE(vsxsim_flush(5000));
    }

    vsx::Grabber& grabber() { return *controller->grabber(); }

    FrameLog frames;
    vsx::PropertyMap map;
    std::unique_ptr<PropIntControl> width;
    std::vector<std::string> reported;
};

TEST_F(StreamGuardTest, StopsWritesAndRestartsTheStream)
{
    ASSERT_TRUE(width->property.isLikelyLockedByStream());
    EXPECT_TRUE(width->set_value(320));
    EXPECT_EQ(map.getValueInt64("Width"), 320);
    EXPECT_TRUE(grabber().isStreaming());
    EXPECT_TRUE(grabber().isAcquisitionActive());
    deliver(2);
    EXPECT_EQ(frames.at(frames.count() - 1).descriptor.width, 320u);
    EXPECT_TRUE(reported.empty());

    // Acquisition stopped before the write stays stopped after it.
    ASSERT_TRUE(grabber().acquisitionStop());
    EXPECT_TRUE(width->set_value(480));
    EXPECT_EQ(map.getValueInt64("Width"), 480);
    EXPECT_TRUE(grabber().isStreaming());
    EXPECT_FALSE(grabber().isAcquisitionActive());
    ASSERT_TRUE(grabber().acquisitionStart());
    deliver(1);
    EXPECT_EQ(frames.at(frames.count() - 1).descriptor.width, 480u);
}

TEST_F(StreamGuardTest, AFailingStopWritesNothing)
{
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_grabber_stream_stop"})"), 0);
    LogCapture log;
    EXPECT_FALSE(width->set_value(320));
    EXPECT_EQ(map.getValueInt64("Width"), 640);
    EXPECT_TRUE(grabber().isStreaming());
    EXPECT_EQ(log.count(spdlog::level::err, "the stream did not stop"), 1);
    deliver(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(width->spin->lineEdit()->text(), "640 px"); // shows the camera's value again
}

TEST_F(StreamGuardTest, AFailingRestartIsReportedAndTheWriteSaysSo)
{
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_grabber_stream_setup"})"), 0);
    LogCapture log;
    EXPECT_FALSE(width->set_value(320));
    EXPECT_EQ(map.getValueInt64("Width"), 320); // written, but the camera no longer streams
    EXPECT_FALSE(grabber().isStreaming());
    EXPECT_EQ(log.count(spdlog::level::err, "the stream did not start again after writing Width"), 1);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].rfind("Error: The camera stopped streaming", 0), 0u) << reported[0];
}

TEST_F(StreamGuardTest, WithoutAStreamOrGrabberTheWriteIsDirect)
{
    controller->stopLive();
    ASSERT_FALSE(grabber().isStreaming());
    EXPECT_TRUE(width->set_value(320));
    EXPECT_EQ(map.getValueInt64("Width"), 320);
    EXPECT_FALSE(grabber().isStreaming());
    controller->startLive();
    // Without a grabber nothing is stopped, and the camera refuses the locked feature.
    std::unique_ptr<QWidget> unguarded(create_prop_control(map.find("Width"), nullptr, nullptr));
    LogCapture log;
    EXPECT_FALSE(dynamic_cast<PropIntControl&>(*unguarded).set_value(480));
    EXPECT_EQ(map.getValueInt64("Width"), 320);
    EXPECT_TRUE(grabber().isStreaming());
    EXPECT_EQ(log.count(spdlog::level::err, "set_value_unchecked:"), 1);
}

} // namespace
