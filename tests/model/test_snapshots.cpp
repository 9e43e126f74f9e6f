// Snaps prepared off the GUI thread: the image is the one the GUI thread's
// own preparation gives, the call returns before the overlays are drawn, the
// images reach the writer in the order they were asked for, and at shut-down
// each one is written or reported.

#include "ModelCameras.h"
#include "SavedImages.h"
#include "application/qt_context.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/Resources.h"
#include "model/PluginHost.h"
#include "support/LogCapture.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <thread>

using namespace quorel::test;
namespace fs = std::filesystem;
namespace Plugin = app::Plugin;

namespace {

// Draws measurement-like objects: lines, a filled box and text, so the fonts
// and their glyph pages take part. Its drawing can be held at a gate.
class ObjectsPlugin : public Plugin::PluginBase {
public:
    ObjectsPlugin() : PluginBase(nullptr) {}
    void initialize() override {}
    void shutdown() override {}
    void render(app::ILiveView*, vsx::DeviceInfo, kyrgx::Graphics& g) override
    {
        {
            std::unique_lock lock(mutex);
            ++entered;
            changed.notify_all();
            // Bounded, so a failing test ends instead of hanging.
            changed.wait_for(lock, std::chrono::seconds(10), [this] { return open; });
        }
        g.setColor(kyrgx::Color(255, 255, 0));
        g.setLineWidth(2.0f);
        g.drawLine(3.0f, 4.0f, 90.0f, 50.0f);
        g.drawCircle(40.0f, 30.0f, 17.5f);
        g.setColor(kyrgx::Color(0, 128, 255, 160));
        g.fillRectF(60.5f, 8.25f, 20.0f, 11.0f);
        g.setColor(kyrgx::Color(255, 255, 255));
        g.setFont(g.getFont("OpenSans-Regular.ttf", 14));
        g.drawText(L"L = 12.5 mm", 5.0f, 40.0f);
    }
    void setOpen(bool value)
    {
        std::lock_guard lock(mutex);
        open = value;
        changed.notify_all();
    }
    bool waitEntered(int count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return entered >= count; });
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool open = true;
    int entered = 0;
};

// What reached the writer, in order.
struct Written {
    std::wstring path;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;
};

class Snapshots : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_model_cameras("manual");
        kyrgx::set_resource_directory(
            app::path_to_wide(fs::read_symlink("/proc/self/exe").parent_path() / "data"));
        application::set_context(std::make_shared<application::qt_context>());
        plugin = std::make_shared<ObjectsPlugin>();
        Plugin::register_plugin(plugin);
        model = std::make_shared<app::MainModel>(
            [this](const ImageUtil::Image& image, app::ImageFileKind, const std::wstring& path, int) {
                Written w{path, image.width(), image.height(), {}};
                const uint8_t* data = static_cast<const uint8_t*>(image.data());
                for (uint32_t y = 0; y < image.height(); ++y)
                    w.pixels.insert(w.pixels.end(), data + static_cast<size_t>(y) * image.stride(),
                                    data + static_cast<size_t>(y) * image.stride() + image.width() * 4);
                std::lock_guard lock(writtenMutex);
                written.push_back(std::move(w));
            });
        model->save_failed.push_back([this](app::IViewBase*, std::wstring& text) { reports.add(text); });
        device = vsx::DeviceEnum::enumDevices().front();
    }
    void TearDown() override
    {
        plugin->setOpen(true);
        model.reset();
        Plugin::plugin_list.clear();
        application::set_context(nullptr);
    }

    static std::shared_ptr<app::MainModel::SnapshotFrame> snapshot_of(const OwnedFrame& frame)
    {
        auto owned = std::make_shared<app::MainModel::SnapshotFrame>();
        owned->pixels = frame.bytes;
        owned->view = frame.view;
        owned->view.data = owned->pixels.data();
        return owned;
    }
    std::vector<Written> takeWritten()
    {
        std::lock_guard lock(writtenMutex);
        return std::exchange(written, {});
    }
    app::save_image_thread::Done outcomeInto(std::vector<app::SaveOutcome>& outcomes)
    {
        return [this, &outcomes](app::SaveOutcome outcome, const std::string&) {
            std::lock_guard lock(writtenMutex);
            outcomes.push_back(outcome);
        };
    }

    std::shared_ptr<ObjectsPlugin> plugin;
    std::shared_ptr<app::MainModel> model;
    vsx::DeviceInfo device;
    std::mutex writtenMutex;
    std::vector<Written> written;
    Reports reports;
};

} // namespace

TEST_F(Snapshots, ASnapshotIsTheImageTheGuiThreadPreparationGives)
{
    const OwnedFrame frame = pattern_frame(97, 61);
    const OwnedFrame blank = pattern_frame(97, 61);
    struct Case {
        float rotation;
        bool flipV;
        bool flipH;
    };
    for (const Case c : {Case{0.0f, false, false}, Case{90.0f, false, true}, Case{270.0f, true, false}}) {
        SCOPED_TRACE(c.rotation);
        const app::ViewTransform transform{1.0f, c.rotation, c.flipV, c.flipH};
        model->save_image(frame.view, transform, device, L"/tmp/direct.png", 100);
        model->wait_for_saves();
        model->save_snapshot(snapshot_of(frame), transform, device, L"/tmp/snapshot.png", 100);
        model->wait_for_saves();
        const std::vector<Written> both = takeWritten();
        ASSERT_EQ(both.size(), 2u);
        EXPECT_EQ(both[1].path, L"/tmp/snapshot.png");
        EXPECT_EQ(both[1].width, both[0].width);
        EXPECT_EQ(both[1].height, both[0].height);
        EXPECT_TRUE(both[1].pixels == both[0].pixels);
        // The objects are in it.
        size_t changed = 0;
        Plugin::plugin_list.clear();
        model->save_image(blank.view, transform, device, L"/tmp/blank.png", 100);
        model->wait_for_saves();
        Plugin::register_plugin(plugin);
        const std::vector<Written> plain = takeWritten();
        ASSERT_EQ(plain.size(), 1u);
        for (size_t i = 0; i < plain[0].pixels.size(); ++i)
            changed += plain[0].pixels[i] != both[1].pixels[i] ? 1 : 0;
        EXPECT_GT(changed, 400u);
    }
    EXPECT_TRUE(reports.texts().empty());
}

// The GUI thread hands the snapshot over and goes on painting; the images
// are drawn and queued one after the other, in the order of the snaps.
TEST_F(Snapshots, TheCallReturnsBeforeTheDrawingAndTheOrderIsKept)
{
    plugin->setOpen(false);
    const OwnedFrame frame = pattern_frame(64, 48);
    std::vector<app::SaveOutcome> outcomes;
    const std::wstring names[] = {L"/tmp/a.png", L"/tmp/b.bmp", L"/tmp/c.jpg", L"/tmp/d.png"};
    for (const std::wstring& name : names)
        model->save_snapshot(snapshot_of(frame), app::ViewTransform{}, device, name, 90,
                             outcomeInto(outcomes));
    ASSERT_TRUE(plugin->waitEntered(1));
    {
        std::lock_guard lock(plugin->mutex);
        EXPECT_EQ(plugin->entered, 1) << "one at a time";
    }
    EXPECT_TRUE(takeWritten().empty());

    plugin->setOpen(true);
    model->wait_for_saves();
    const std::vector<Written> all = takeWritten();
    ASSERT_EQ(all.size(), 4u);
    for (size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i].path, names[i]);
    EXPECT_EQ(outcomes, std::vector<app::SaveOutcome>(4, app::SaveOutcome::Written));
}

// Ending the program while snapshots wait: the one being drawn is completed
// and written; those not begun within the limit are reported, never dropped
// unseen; a model destroyed with snapshots waiting writes them all.
TEST_F(Snapshots, AtShutDownEverySnapshotIsWrittenOrReported)
{
    plugin->setOpen(false);
    const OwnedFrame frame = pattern_frame(32, 16);
    std::vector<app::SaveOutcome> outcomes;
    for (const wchar_t* name : {L"/tmp/first.png", L"/tmp/second.png", L"/tmp/third.png"})
        model->save_snapshot(snapshot_of(frame), app::ViewTransform{}, device, name, 100,
                             outcomeInto(outcomes));
    ASSERT_TRUE(plugin->waitEntered(1));
    std::thread release([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        plugin->setOpen(true);
    });
    LogCapture log;
    EXPECT_FALSE(model->finish_saving(std::chrono::milliseconds(20)));
    release.join();
    const std::vector<Written> all = takeWritten();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].path, L"/tmp/first.png");
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), app::SaveOutcome::Written), 1);
    EXPECT_EQ(std::count(outcomes.begin(), outcomes.end(), app::SaveOutcome::Failed), 2);
    EXPECT_EQ(reports.texts().size(), 2u);
    EXPECT_EQ(log.count(spdlog::level::err, "failed to save image: the program ended before the snapshot"),
              2);
    // A snapshot asked for after that is reported at once.
    model->save_snapshot(snapshot_of(frame), app::ViewTransform{}, device, L"/tmp/late.png", 100,
                         outcomeInto(outcomes));
    EXPECT_EQ(outcomes.size(), 4u);

    auto other = std::make_shared<app::MainModel>(
        [this](const ImageUtil::Image&, app::ImageFileKind, const std::wstring& path, int) {
            std::lock_guard lock(writtenMutex);
            written.push_back(Written{path, 0, 0, {}});
        });
    for (const wchar_t* name : {L"/tmp/x.png", L"/tmp/y.png"})
        other->save_snapshot(snapshot_of(frame), app::ViewTransform{}, device, name, 100);
    other.reset();
    const std::vector<Written> atExit = takeWritten();
    ASSERT_EQ(atExit.size(), 2u);
    EXPECT_EQ(atExit[0].path, L"/tmp/x.png");
    EXPECT_EQ(atExit[1].path, L"/tmp/y.png");
}
