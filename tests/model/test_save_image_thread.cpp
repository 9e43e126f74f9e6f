// The image writer: file kinds by extension, the bounded queue and its drop
// reports, failures that never stop the worker, and the last images written
// before it ends; with a writer held at a gate and with the camera library's
// own writers under injected faults.

#include "ModelCameras.h"
#include "SavedImages.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

using namespace quorel::test;
using app::ImageFileKind;
using app::save_image_thread;
namespace fs = std::filesystem;

namespace {

std::shared_ptr<ImageUtil::Image> small_image()
{
    return std::make_shared<ImageUtil::Image>(4, 3, kyrgx::PixelFormat::RGB32);
}

std::wstring wide(const fs::path& path)
{
    return app::path_to_wide(path);
}

} // namespace

TEST(SaveImageThread, TheFileKindComesFromTheExtensionInAnyLetterCase)
{
    const struct {
        const wchar_t* path;
        std::optional<ImageFileKind> kind;
    } cases[] = {
        {L"/p/x.bmp", ImageFileKind::Bmp},
        {L"/p/x.png", ImageFileKind::Png},
        {L"/p/x.jpg", ImageFileKind::Jpeg},
        {L"/p/x.jpeg", ImageFileKind::Jpeg},
        {L"/p/x.tiff", ImageFileKind::Tiff},
        {L"/p/x.JPG", ImageFileKind::Jpeg},
        {L"/p/x.Png", ImageFileKind::Png},
        {L"/p/x.tif", ImageFileKind::Tiff},
        {L"/p/x.TIF", ImageFileKind::Tiff},
        {L"/p/a:b.png", ImageFileKind::Png},
        {L"/p/x.png.gif", std::nullopt},
        {L"/p/x.gif", std::nullopt},
        {L"/p/x", std::nullopt},
        {L"/p.png/x", std::nullopt},
        {L"/p/.bmp", std::nullopt},
        {L"/p/x.", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(app::image_file_kind(c.path), c.kind) << app::wide_to_utf8(c.path);
}

TEST(SaveImageThread, AFullQueueDropsReportingTheCountAtMostOnceASecond)
{
    GatedWriter gate(false, false);
    Reports reports;
    std::atomic<int64_t> now{5000};
    {
        save_image_thread writer(gate.writer(), [&] { return now.load(); });
        writer.onSaveFailed = [&](const std::wstring& text) { reports.add(text); };

        writer.push(small_image(), L"/s/first.png", 90);
        ASSERT_TRUE(gate.waitEntered(1));
        for (int i = 0; i < 11; ++i)
            writer.push(small_image(), L"/s/" + std::to_wstring(i) + L".png", 90);
        EXPECT_EQ(writer.waiting(), 11u);

        writer.push(small_image(), L"/s/dropped-a.png", 90); // reported at once
        writer.push(small_image(), L"/s/dropped-b.png", 90); // within the second: counted
        EXPECT_EQ(reports.texts(), (std::vector<std::string>{
                                       "failed to save image: the save queue is full, 1 image dropped"}));
        now += 1000;
        writer.push(small_image(), L"/s/dropped-c.png", 90);
        writer.push(small_image(), L"/s/dropped-d.png", 90);
        EXPECT_EQ(reports.texts().size(), 2u);
        EXPECT_EQ(reports.texts().back(), "failed to save image: the save queue is full, 2 images dropped");

        // Once the worker took one, the next is accepted again.
        gate.allow(1);
        ASSERT_TRUE(gate.waitEntered(2));
        EXPECT_EQ(writer.waiting(), 10u);
        writer.push(small_image(), L"/s/accepted.png", 90);
        EXPECT_EQ(writer.waiting(), 11u);

        gate.open();
        ASSERT_TRUE(gate.waitWritten(13));
    }
    std::vector<std::string> expected{"/s/first.png"};
    for (int i = 0; i < 11; ++i)
        expected.push_back("/s/" + std::to_string(i) + ".png");
    expected.push_back("/s/accepted.png");
    EXPECT_EQ(gate.paths(), expected);
    // The drop that came after the last report is reported when the queue ran empty.
    ASSERT_EQ(reports.texts().size(), 3u);
    EXPECT_EQ(reports.texts().back(), "failed to save image: the save queue is full, 1 image dropped");
    EXPECT_EQ(reports.dropped(), 4);
}

TEST(SaveImageThread, EveryFailureIsReportedOnceAndTheNextImageIsWritten)
{
    GatedWriter gate;
    gate.failing = [](const std::wstring& path) { return path.find(L"full") != std::wstring::npos; };
    Reports reports;
    LogCapture log;
    {
        save_image_thread writer(gate.writer());
        bool thrown = false;
        writer.onSaveFailed = [&](const std::wstring& text) {
            reports.add(text);
            if (!std::exchange(thrown, true))
                throw std::runtime_error("the listener failed");
        };
        writer.push(small_image(), L"/s/full.png", 100);
        writer.push(small_image(), L"/s/a.png", 100);
        writer.push(small_image(), L"/s/b.gif", 100);
        writer.push(small_image(), L"/s/c", 100);
        writer.push(nullptr, L"/s/d.png", 100);
        writer.push(small_image(), L"/s/e.tif", 100);
    }
    EXPECT_EQ(gate.paths(), (std::vector<std::string>{"/s/a.png", "/s/e.tif"}));
    EXPECT_EQ(reports.texts(),
              (std::vector<std::string>{
                  "failed to save image: the disk is full",
                  "failed to save image: '/s/b.gif' does not end in .bmp, .png, .jpg, .jpeg, .tif or .tiff",
                  "failed to save image: '/s/c' does not end in .bmp, .png, .jpg, .jpeg, .tif or .tiff",
                  "failed to save image: there is no image to write"}));
    EXPECT_EQ(log.count(spdlog::level::err, "failed to save image: "), 4);
    EXPECT_EQ(log.count(spdlog::level::err, "error in save_image_thread: the listener failed"), 1);
}

TEST(SaveImageThread, JpegQualityReachesTheWriterClampedToOneToHundred)
{
    GatedWriter gate;
    {
        save_image_thread writer(gate.writer());
        for (int quality : {0, 1, 75, 100, 101, -5})
            writer.push(small_image(), L"/s/q.jpg", quality);
    }
    std::vector<int> qualities;
    for (const auto& call : gate.calls())
        qualities.push_back(call.quality);
    EXPECT_EQ(qualities, (std::vector<int>{1, 1, 75, 100, 100, 1}));
}

TEST(SaveImageThread, DestructionWritesEveryImageStillQueued)
{
    GatedWriter gate(false, false);
    auto writer = std::make_unique<save_image_thread>(gate.writer());
    writer->push(small_image(), L"/s/0.png", 1);
    ASSERT_TRUE(gate.waitEntered(1));
    for (int i = 1; i <= 3; ++i)
        writer->push(small_image(), L"/s/" + std::to_wstring(i) + L".png", 1);
    std::thread destroy([&] { writer.reset(); });
    gate.open();
    destroy.join();
    EXPECT_EQ(gate.paths(), (std::vector<std::string>{"/s/0.png", "/s/1.png", "/s/2.png", "/s/3.png"}));
}

// Each image's caller hears what became of it: written, failed with the
// writer's reason, or dropped at once (on the pushing thread) for a full queue.
TEST(SaveImageThread, EachImageIsToldWhetherItWasWritten)
{
    GatedWriter gate(false, false);
    gate.failing = [](const std::wstring& path) { return path.find(L"full") != std::wstring::npos; };
    std::mutex mutex;
    std::vector<std::string> outcomes;
    const auto note = [&](std::string name) {
        return [&, name](app::SaveOutcome outcome, const std::string& reason) {
            const char* what = outcome == app::SaveOutcome::Written  ? "written"
                               : outcome == app::SaveOutcome::Failed ? "failed"
                                                                     : "dropped";
            std::lock_guard lock(mutex);
            outcomes.push_back(name + " " + what + (reason.empty() ? "" : ": " + reason));
        };
    };
    {
        save_image_thread writer(gate.writer());
        writer.push(small_image(), L"/s/first.png", 90, note("first"));
        ASSERT_TRUE(gate.waitEntered(1));
        writer.push(small_image(), L"/s/full.png", 90, note("full"));
        for (int i = 0; i < 10; ++i)
            writer.push(small_image(), L"/s/" + std::to_wstring(i) + L".png", 90);
        writer.push(small_image(), L"/s/over.png", 90, note("over"));
        {
            std::lock_guard lock(mutex);
            EXPECT_EQ(outcomes, std::vector<std::string>{"over dropped: the save queue is full"});
        }
        gate.open();
        writer.waitUntilIdle();
    }
    EXPECT_EQ(outcomes, (std::vector<std::string>{"over dropped: the save queue is full", "first written",
                                                  "full failed: the disk is full"}));
}

// A write that hangs (a lost network share) keeps nobody waiting: finishing
// gives up after its limit, drops what waits, and the hung write, when it
// ends at last, calls nobody back.
TEST(SaveImageThread, AWriteThatHangsDoesNotHoldTheEnd)
{
    GatedWriter gate(false, false);
    Reports reports;
    std::atomic<int> outcomes{0};
    const auto token = std::make_shared<int>(0); // held by the items while they live
    const auto count = [&] {
        return [&outcomes, token](app::SaveOutcome, const std::string&) { ++outcomes; };
    };
    LogCapture log;
    auto writer = std::make_unique<save_image_thread>(gate.writer());
    writer->onSaveFailed = [&](const std::wstring& text) { reports.add(text); };
    writer->push(small_image(), L"/s/hung.png", 1, count());
    ASSERT_TRUE(gate.waitEntered(1));
    writer->push(small_image(), L"/s/a.png", 1, count());
    writer->push(small_image(), L"/s/b.gif", 1, count());

    EXPECT_FALSE(writer->finish(std::chrono::milliseconds(50)));
    EXPECT_EQ(log.count(spdlog::level::err, "did not finish within 50 ms: 2 waiting images are not written"),
              1);
    EXPECT_FALSE(writer->finish(std::chrono::milliseconds(50))) << "a second call gives the first result";
    writer.reset(); // at once
    EXPECT_EQ(token.use_count(), 2) << "only the hung write's item still lives";

    gate.open();
    ASSERT_TRUE(gate.waitWritten(1));
    // The worker lets its item go once it is done with it.
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         token.use_count() > 1 && std::chrono::steady_clock::now() < until;)
        std::this_thread::yield();
    EXPECT_EQ(token.use_count(), 1);
    EXPECT_EQ(outcomes.load(), 0);
    EXPECT_TRUE(reports.texts().empty());
    EXPECT_EQ(gate.paths(), std::vector<std::string>{"/s/hung.png"});
}

// The camera library's writers: failures of wrapping and writing, a folder
// that cannot be written, and names beyond ASCII.
TEST(SaveImageThread, CameraLibraryFailuresAreReportedAndTheNextImageIsWritten)
{
    init_model_cameras("manual");
    vsxsim_clear_faults();
    const fs::path dir = make_temp_dir("writer");
    const fs::path notAFolder = dir / "file";
    std::ofstream(notAFolder) << "x";
    ASSERT_GT(
        vsxsim_inject_fault(R"({"function": "vsx_imagebuffer_wrap_memory", "message": "out of memory"})"), 0);
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_imagebuffer_save_as_pngW", "code": 16})"), 0);
    Reports reports;
    {
        save_image_thread writer;
        writer.onSaveFailed = [&](const std::wstring& text) { reports.add(text); };
        writer.push(small_image(), wide(dir / "wrap.png"), 100);
        writer.push(small_image(), wide(dir / "write.png"), 100);
        writer.push(small_image(), wide(notAFolder / "x.bmp"), 100);
        writer.push(small_image(), wide(dir / u8"Bild_äöü_日本.png"), 100);
        writer.push(small_image(), wide(dir / "a:b.JPG"), 100);
    }
    vsxsim_clear_faults();
    const std::vector<std::string> texts = reports.texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_NE(texts[0].find("out of memory"), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("Injected fault in vsx_imagebuffer_save_as_pngW"), std::string::npos) << texts[1];
    EXPECT_NE(texts[2].find("failed to save image: "), std::string::npos) << texts[2];
    EXPECT_FALSE(fs::exists(dir / "wrap.png"));
    EXPECT_FALSE(fs::exists(dir / "write.png"));
    EXPECT_EQ(decode(dir / u8"Bild_äöü_日本.png").format, "png");
    EXPECT_EQ(decode(dir / "a:b.JPG").format, "jpeg");
}
