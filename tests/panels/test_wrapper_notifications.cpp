// A wrapper's change notification: it reaches the installed callback on the
// camera library's thread, and never once the callback was emptied or the
// wrapper destroyed, also while the camera keeps changing the feature.

#include "PanelCameras.h"
#include "panels/PropertyFloatImpl.h"

#include <atomic>
#include <mutex>
#include <thread>

using namespace quorel::test;
using namespace VSXUtil;

namespace {

class PanelNotifications : public PanelTest {
protected:
    std::shared_ptr<PropertyFloatImpl> gain()
    {
        return std::make_shared<PropertyFloatImpl>(nullptr, map.findFloat("Gain"));
    }

    static int64_t registrations(const char* feature)
    {
        const auto all = sim_stats(kUsbColor)["registrations"];
        return all.contains(feature) ? all[feature].get<int64_t>() : 0;
    }

    // A camera-side change of the gain, delivered before this returns.
    static void change_gain(const char* text)
    {
        ASSERT_TRUE(vsxsim_camera_write(kUsbColor, "Gain", text));
        ASSERT_TRUE(vsxsim_flush(5000));
    }
};

// Changes the camera's gain on a thread of its own until stopped.
class GainChanger {
public:
    GainChanger()
        : thread_([this] {
              for (int i = 0; !stop_.load(); ++i)
                  vsxsim_camera_write(kUsbColor, "Gain", i % 2 ? "1" : "2");
          })
    {
    }
    ~GainChanger()
    {
        stop_ = true;
        thread_.join();
        vsxsim_flush(5000);
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace

TEST_F(PanelNotifications, ReachTheCallbackOnTheLibraryThreadUntilItIsEmptied)
{
    open(kUsbColor);
    const auto wrapper = gain();
    EXPECT_EQ(registrations("Gain"), 1);

    std::mutex mutex;
    std::vector<std::pair<std::thread::id, PropertyInterfaceBase*>> calls;
    wrapper->setChangeCallback([&](PropertyInterfaceBase* changed) {
        std::lock_guard lock(mutex);
        calls.emplace_back(std::this_thread::get_id(), changed);
    });
    change_gain("3");
    {
        std::lock_guard lock(mutex);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_NE(calls[0].first, std::this_thread::get_id());
        EXPECT_EQ(calls[0].second, wrapper.get());
    }
    EXPECT_DOUBLE_EQ(wrapper->value(), 0.0); // the receiver decides when to read

    wrapper->setChangeCallback({});
    change_gain("4");
    wrapper->disableNotification();
    EXPECT_EQ(registrations("Gain"), 0);
    wrapper->setChangeCallback([&](PropertyInterfaceBase* changed) {
        std::lock_guard lock(mutex);
        calls.emplace_back(std::this_thread::get_id(), changed);
    });
    change_gain("5");
    wrapper->enableNotification();
    wrapper->enableNotification();
    EXPECT_EQ(registrations("Gain"), 1);
    change_gain("6");
    std::lock_guard lock(mutex);
    EXPECT_EQ(calls.size(), 2u);
}

// Each receiver is gone right after its callback was emptied or its wrapper
// destroyed; a late call would touch freed memory.
TEST_F(PanelNotifications, NoCallAfterEmptyingOrDestructionWhileTheCameraChanges)
{
    open(kUsbColor);
    const auto wrapper = gain();
    {
        GainChanger changer;
        for (int round = 0; round < 200; ++round) {
            auto receiver = std::make_unique<std::atomic<int>>(0);
            wrapper->setChangeCallback([counter = receiver.get()](PropertyInterfaceBase*) { ++*counter; });
            std::this_thread::yield();
            wrapper->setChangeCallback(nullptr);
            receiver.reset();
        }
        for (int round = 0; round < 50; ++round) {
            auto receiver = std::make_unique<std::atomic<int>>(0);
            auto shortLived = gain();
            shortLived->setChangeCallback([counter = receiver.get()](PropertyInterfaceBase*) { ++*counter; });
            std::this_thread::yield();
            shortLived.reset();
            receiver.reset();
        }
    }
    EXPECT_EQ(registrations("Gain"), 1);
}
