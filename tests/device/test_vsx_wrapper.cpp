#include "SimulatedCameras.h"
#include "device/DeviceEnum.h"
#include "device/Grabber.h"
#include "device/PropertyMap.h"
#include "device/Sink.h"
#include "support/LogCapture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <nlohmann/json.hpp>
#include <mutex>
#include <set>
#include <thread>

using namespace std::chrono_literals;
using quorel::test::LibraryDefaultThrows;

namespace {

constexpr const char* kUsbColor = "41000001";  // QU3-C13B
constexpr const char* kGigeColor = "52000003"; // QGE-C16X

vsx::DeviceInfo find_camera(const std::string& serial)
{
    for (const vsx::DeviceInfo& info : vsx::DeviceEnum::enumDevices())
        if (info.serial() == serial)
            return info;
    return vsx::DeviceInfo();
}

// A grabber with the camera of the serial open.
std::shared_ptr<vsx::Grabber> open_camera(const std::string& serial)
{
    auto grabber = std::make_shared<vsx::Grabber>();
    const vsx::DeviceInfo info = find_camera(serial);
    EXPECT_TRUE(info) << serial;
    EXPECT_TRUE(grabber->deviceOpen(info));
    return grabber;
}

class Wrapper : public ::testing::Test {
protected:
    void SetUp() override
    {
        quorel::test::init_simulated_cameras();
        vsxsim_clear_faults();
    }
    void TearDown() override { vsxsim_clear_faults(); }

    LibraryDefaultThrows throws_{true};  // as the main controller sets it
};

}  // namespace

TEST_F(Wrapper, FailureUnderEachBehaviour)
{
    auto grabber = open_camera(kGigeColor);
    const vsx::PropertyMap map = grabber->devicePropertyMap();

    struct Row {
        int behaviour;
        bool libraryThrows;
        bool throws;
        bool recorded;  // code and message filled in
    };
    const Row rows[] = {
        {vsx::Error::Ignore, true, false, false},        {vsx::Error::Record, true, false, true},
        {vsx::Error::LibraryDefault, false, false, false}, {vsx::Error::LibraryDefault, true, true, true},
        {vsx::Error::Throw, false, true, true},
    };
    for (const Row& row : rows) {
        LibraryDefaultThrows mode(row.libraryThrows);
        vsx::Error err(row.behaviour);
        err.code = 42;
        err.text = "earlier";
        bool threw = false;
        try {
            const vsx::Property missing = map.find("NoSuchFeature", err);
            EXPECT_TRUE(missing.empty());
        } catch (const vsx::VSXException& e) {
            threw = true;
            EXPECT_EQ(e.code(), 4);
            EXPECT_NE(std::string(e.what()).find("NoSuchFeature"), std::string::npos) << e.what();
        }
        EXPECT_EQ(threw, row.throws) << "behaviour " << row.behaviour;
        if (row.recorded) {
            EXPECT_EQ(err.code, 4);
            EXPECT_NE(err.message().find("NoSuchFeature"), std::string::npos);
        } else {
            EXPECT_EQ(err.code, 42) << "an ignored record is left untouched";
            EXPECT_EQ(err.text, "earlier");
        }
    }

    // A later success clears a recording record.
    vsx::Error err(vsx::Error::Record);
    map.find("NoSuchFeature", err);
    ASSERT_NE(err.code, 0);
    EXPECT_TRUE(map.find("Width", err));
    EXPECT_EQ(err.code, 0);
    EXPECT_EQ(err.message(), "");
}

TEST_F(Wrapper, LongErrorMessagesAndTextsComeBackWhole)
{
    auto grabber = open_camera(kGigeColor);
    const vsx::PropertyMap map = grabber->devicePropertyMap();

    const std::string longMessage(300, 'm');
    ASSERT_GT(vsxsim_inject_fault((R"({"function": "vsx_propmap_find", "code": 1, "message": ")" + longMessage +
                                   R"(", "count": 1})")
                                      .c_str()),
              0);
    vsx::Error err(vsx::Error::Record);
    map.find("Width", err);
    EXPECT_EQ(err.code, 1);
    EXPECT_EQ(err.message(), longMessage);  // read whole, no trailing NUL

    const vsx::PropString text = map.findString("DiagLongText");
    ASSERT_TRUE(text);
    for (size_t length : {0u, 1u, 126u, 127u, 128u, 200u, 255u}) {
        const std::string value(length, static_cast<char>('a' + length % 26));
        ASSERT_TRUE(text.setValue(value)) << length;
        EXPECT_EQ(text.getValue(), value) << length;
        EXPECT_EQ(map.getValueString("DiagLongText"), value) << length;
    }
}

TEST_F(Wrapper, TypedViewsReadAndWriteEveryKind)
{
    auto grabber = open_camera(kGigeColor);
    const vsx::PropertyMap map = grabber->devicePropertyMap();

    const vsx::PropInteger width = map.findInteger("Width");
    EXPECT_EQ(width.type(), vsx::Integer);
    const int64_t inc = width.increment();
    ASSERT_GT(inc, 0);
    const int64_t target = width.minimum() + 4 * inc;
    EXPECT_TRUE(width.setValue(target));
    EXPECT_EQ(width.value(), target);
    EXPECT_EQ(map.getValueInt64("Width"), target);
    EXPECT_THROW(width.setValue(width.maximum() + inc), vsx::VSXException);

    const vsx::PropFloat exposure = map.findFloat("ExposureTime");
    EXPECT_TRUE(exposure.setValue(20000.0));
    EXPECT_DOUBLE_EQ(exposure.value(), 20000.0);
    EXPECT_LT(exposure.minimum(), exposure.maximum());

    const vsx::PropEnumeration pixelFormat = map.findEnumeration("PixelFormat");
    std::vector<std::string> names;
    for (const vsx::Property& entry : pixelFormat.entries())
        names.push_back(entry.name());
    EXPECT_NE(std::find(names.begin(), names.end(), "BGRa8"), names.end());
    EXPECT_TRUE(pixelFormat.setValue("BayerGR8"));
    EXPECT_EQ(pixelFormat.selectedEntryName(), "BayerGR8");
    EXPECT_EQ(pixelFormat.selectedEntry().entryIntValue(), pixelFormat.intValue());
    EXPECT_TRUE(pixelFormat.setValue("BGRa8"));

    const vsx::PropBoolean reverseX = map.findBoolean("ReverseX");
    EXPECT_TRUE(reverseX.setValue(true));
    EXPECT_TRUE(reverseX.value());
    EXPECT_TRUE(reverseX.setValue(false));

    const vsx::PropString userId = map.findString("DeviceUserID");
    EXPECT_TRUE(userId.setValue("bench \xC3\xBC"));
    EXPECT_EQ(userId.getValue(), "bench \xC3\xBC");
    EXPECT_EQ(userId.maxLength(), 64);

    EXPECT_TRUE(map.findCommand("UserSetLoad").execute());

    const vsx::PropCategory root = map.findCategory("Root");
    EXPECT_TRUE(root.hasFeatures());
    EXPECT_FALSE(root.features().empty());

    // The same feature found twice is the same handle.
    EXPECT_EQ(map.find("Width").handle(), width.handle());
}

TEST_F(Wrapper, WrongKindIsError103)
{
    auto grabber = open_camera(kGigeColor);
    const vsx::Property width = grabber->devicePropertyMap().find("Width");

    vsx::Error record(vsx::Error::Record);
    EXPECT_TRUE(width.asFloat(record).empty());
    EXPECT_EQ(record.code, 103);
    EXPECT_EQ(record.message(), "Property is not of type Float");

    const struct {
        std::function<void()> view;
        const char* text;
    } rows[] = {
        {[&] { width.asFloat(); }, "Property is not of type Float"},
        {[&] { width.asEnumeration(); }, "Property is not of type Enumeration"},
        {[&] { width.asBoolean(); }, "Property is not of type Boolean"},
        {[&] { width.asString(); }, "Property is not of type String"},
        {[&] { width.asCommand(); }, "Property is not of type Command"},
        {[&] { width.asCategory(); }, "Property is not of type Category"},
    };
    for (const auto& row : rows) {
        try {
            row.view();
            ADD_FAILURE() << row.text;
        } catch (const vsx::VSXException& e) {
            EXPECT_EQ(e.code(), 103);
            EXPECT_STREQ(e.what(), row.text);
        }
    }
    EXPECT_TRUE(width.asInteger(record));
    EXPECT_EQ(record.code, 0);
}

TEST_F(Wrapper, ListEntriesThatFailAreSkipped)
{
    auto grabber = open_camera(kGigeColor);
    const vsx::PropEnumeration selector = grabber->devicePropertyMap().findEnumeration("BalanceRatioSelector");
    ASSERT_EQ(selector.entries().size(), 3u);
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_proplist_at", "index": 1, "code": 1})"), 0);
    const std::vector<vsx::Property> entries = selector.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name(), "Red");
    EXPECT_EQ(entries[1].name(), "Blue");
}

TEST_F(Wrapper, EnumerationIdentityAndOrder)
{
    const std::vector<vsx::DeviceInfo> first = vsx::DeviceEnum::enumDevices();
    const std::vector<vsx::DeviceInfo> second = vsx::DeviceEnum::enumDevicesNoThrow();
    ASSERT_EQ(first.size(), 5u);
    ASSERT_EQ(second.size(), first.size());
    std::vector<std::string> serials;
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_TRUE(first[i] == second[i]) << "equal across enumerations";
        EXPECT_NE(first[i].handle(), second[i].handle()) << "yet separate snapshots";
        serials.push_back(first[i].serial());
    }
    EXPECT_EQ(serials, (std::vector<std::string>{"41000001", "41000002", "52000003", "52000004", "63000005"}));
    EXPECT_FALSE(first[0] == first[1]);
    EXPECT_EQ(first[1].userId(), "mono-left");
    EXPECT_EQ(first[4].uniqueName(), "QAN-V1:63000005");

    // Maps keyed by camera order them by unique name.
    std::map<vsx::DeviceInfo, int> byCamera;
    for (size_t i = 0; i < first.size(); ++i)
        byCamera[first[i]] = static_cast<int>(i);
    byCamera[second[2]] = 99;  // the same camera: same key
    ASSERT_EQ(byCamera.size(), 5u);
    std::string previous;
    for (const auto& [info, index] : byCamera) {
        EXPECT_LT(previous, info.uniqueName());
        previous = info.uniqueName();
    }
    EXPECT_EQ(byCamera[first[2]], 99);

    const vsx::DeviceEnum enumerator;
    const std::vector<vsx::DeviceInterface> interfaces = enumerator.getInterfaces();
    ASSERT_EQ(interfaces.size(), 3u);
    EXPECT_EQ(interfaces[0].tlType(), 2);
    EXPECT_EQ(interfaces[1].tlType(), 1);
    EXPECT_EQ(interfaces[2].tlType(), 0);
    EXPECT_TRUE(first[2].deviceInterface() == interfaces[1]);
    EXPECT_EQ(interfaces[1].devices().size(), 2u);
}

namespace {

// Records what a queue sink tells it and pops every buffer.
class RecordingListener : public vsx::QueueSinkListener {
public:
    bool sinkConnected(vsx::QueueSink& sink, const vsx::ImageType& type, size_t minBuffers) override
    {
        connectedType = type;
        connectThread = std::this_thread::get_id();
        return sink.allocAndQueueBuffers(std::max<size_t>(3, minBuffers));
    }
    void sinkDisconnected(vsx::QueueSink&) override { ++disconnects; }
    void framesQueued(vsx::QueueSink& sink) override
    {
        std::shared_ptr<vsx::ImageBuffer> buffer = sink.popOutputBuffer();
        if (!buffer)
            return;
        buffer->readImageType();
        std::lock_guard lock(mutex);
        frameThreads.insert(std::this_thread::get_id());
        lastType = buffer->imageType();
        lastPitch = buffer->pitch();
        firstPixel = static_cast<const uint8_t*>(buffer->ptr())[3];
        ++frames;
        changed.notify_all();
    }

    bool waitFrames(int count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s, [&] { return frames >= count; });
    }

    vsx::ImageType connectedType;
    std::thread::id connectThread;
    std::atomic<int> disconnects{0};
    std::mutex mutex;
    std::condition_variable changed;
    std::set<std::thread::id> frameThreads;
    vsx::ImageType lastType;
    size_t lastPitch = 0;
    uint8_t firstPixel = 0;
    int frames = 0;
};

}  // namespace

TEST_F(Wrapper, QueueSinkDeliversFramesOnTheFrameThread)
{
    auto grabber = open_camera(kGigeColor);
    const vsx::PropertyMap map = grabber->devicePropertyMap();
    map.findEnumeration("PixelFormat").setValue("BGRa8");
    const auto width = static_cast<uint32_t>(map.getValueInt64("Width"));
    const auto height = static_cast<uint32_t>(map.getValueInt64("Height"));

    RecordingListener listener;
    vsx::QueueSinkConfig config;
    config.pixelFormats = {0x02200017};  // BGRa8
    std::shared_ptr<vsx::QueueSink> sink = vsx::QueueSink::create(nullptr, &listener, config);
    ASSERT_TRUE(sink);
    ASSERT_TRUE(grabber->streamSetup(sink, nullptr, 0));
    EXPECT_EQ(listener.connectedType.pixelFormat, 0x02200017u);
    EXPECT_EQ(listener.connectedType.width, width);
    EXPECT_NE(listener.connectThread, std::this_thread::get_id());
    EXPECT_EQ(grabber->sink(), sink) << "the living wrapper comes back";

    ASSERT_TRUE(listener.waitFrames(5));
    {
        std::lock_guard lock(listener.mutex);
        EXPECT_EQ(listener.frameThreads.size(), 1u);
        EXPECT_EQ(listener.frameThreads.count(std::this_thread::get_id()), 0u);
        EXPECT_EQ(listener.lastType.width, width);
        EXPECT_EQ(listener.lastType.height, height);
        EXPECT_GE(listener.lastPitch, width * 4);
        EXPECT_EQ(listener.firstPixel, 0xFF) << "BGRa frames are opaque";
    }
    EXPECT_TRUE(grabber->streamStop());
    EXPECT_EQ(listener.disconnects, 1);
    EXPECT_FALSE(grabber->isStreaming());
    EXPECT_TRUE(grabber->deviceClose());
}

TEST_F(Wrapper, ARefusedOrThrowingListenerNeverReachesTheLibrary)
{
    struct Throwing : vsx::QueueSinkListener {
        bool sinkConnected(vsx::QueueSink&, const vsx::ImageType&, size_t) override
        {
            throw std::runtime_error("no buffers today");
        }
        void sinkDisconnected(vsx::QueueSink&) override {}
        void framesQueued(vsx::QueueSink&) override {}
    } listener;

    auto grabber = open_camera(kGigeColor);
    quorel::test::LogCapture log;
    vsx::QueueSinkConfig config;
    auto sink = vsx::QueueSink::create(nullptr, &listener, config);
    vsx::Error err(vsx::Error::Record);
    EXPECT_FALSE(grabber->streamSetup(sink, nullptr, 0, err));
    EXPECT_EQ(err.code, 10);
    EXPECT_EQ(log.count(spdlog::level::err, "QueueSink::sinkConnected() failed: no buffers today"), 1);
    EXPECT_FALSE(grabber->isStreaming());
}

TEST_F(Wrapper, DeviceLostArrivesOnce)
{
    auto grabber = open_camera(kUsbColor);
    std::mutex mutex;
    std::condition_variable changed;
    int calls = 0;
    std::thread::id thread;
    ASSERT_NE(grabber->eventAddDeviceLost([&](vsx::Grabber& g) {
        std::lock_guard lock(mutex);
        EXPECT_EQ(&g, grabber.get());
        thread = std::this_thread::get_id();
        ++calls;
        changed.notify_all();
    }),
              nullptr);

    ASSERT_TRUE(vsxsim_plug(kUsbColor, false));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 10s, [&] { return calls > 0; }));
    }
    vsxsim_flush(2000);
    EXPECT_EQ(calls, 1);
    EXPECT_NE(thread, std::this_thread::get_id());
    EXPECT_TRUE(grabber->isDeviceOpen());
    EXPECT_FALSE(grabber->isDeviceValid());
    EXPECT_TRUE(grabber->deviceClose());
    ASSERT_TRUE(vsxsim_plug(kUsbColor, true));
    EXPECT_TRUE(find_camera(kUsbColor));
}

TEST_F(Wrapper, NotificationsArriveUntilRemoved)
{
    auto grabber = open_camera(kGigeColor);
    const vsx::PropFloat gain = grabber->devicePropertyMap().findFloat("Gain");
    std::atomic<int> calls{0};
    std::atomic<bool> otherThread{false};
    const auto caller = std::this_thread::get_id();
    void* token = gain.eventAddNotification([&](vsx::Property& changed) {
        otherThread = std::this_thread::get_id() != caller;
        EXPECT_EQ(changed.name(), "Gain");
        ++calls;
    });
    ASSERT_NE(token, nullptr);
    gain.setValue(gain.minimum() + 1.0);
    vsxsim_flush(2000);
    EXPECT_GE(calls.load(), 1);
    EXPECT_TRUE(otherThread.load());

    ASSERT_TRUE(gain.eventRemoveNotification(token));
    const int before = calls;
    gain.setValue(gain.minimum());
    vsxsim_flush(2000);
    EXPECT_EQ(calls.load(), before);
}

TEST_F(Wrapper, NoHandleOutlivesItsWrappers)
{
    {
        auto grabber = open_camera(kGigeColor);
        const vsx::PropertyMap map = grabber->devicePropertyMap();
        std::vector<vsx::Property> all = map.all();
        std::vector<vsx::Property> copies = all;
        vsx::DeviceInfo info = grabber->deviceInfo();
        vsx::DeviceInfo copy = info;
        copy = vsx::DeviceEnum::enumDevices().front();
        EXPECT_FALSE(all.empty());
        grabber->deviceClose();
    }
    vsxsim_flush(2000);
    const nlohmann::json stats = nlohmann::json::parse(quorel::test::simulator_stats());
    const nlohmann::json& live = stats.at("liveReferences");
    ASSERT_FALSE(live.empty());
    for (auto it = live.begin(); it != live.end(); ++it)
        EXPECT_EQ(it->get<int>(), 0) << it.key() << " handles still referenced";
}
