// Releasing an enumerator while its device-list-changed callback runs and
// takes a reference of its own (as the program's wrapper does).
#include "SimFixture.h"

#include <nlohmann/json.hpp>

using namespace simtest;

namespace {

struct BorrowingCallback {
    std::mutex mutex;
    std::condition_variable changed;
    bool inside = false;
    bool proceed = false;
    std::atomic<int> calls{0};
    std::atomic<int> released{0};

    static void on_changed(vsx_devenum* e, void* context)
    {
        auto* self = static_cast<BorrowingCallback*>(context);
        std::unique_lock<std::mutex> lock(self->mutex);
        self->inside = true;
        self->changed.notify_all();
        self->changed.wait(lock, [self] { return self->proceed; });
        vsx_devenum_ref(e);
        vsx_devenum_unref(e);
        ++self->calls;
    }
    static void on_release(void* context) { ++static_cast<BorrowingCallback*>(context)->released; }
};

int external_enumerators()
{
    return nlohmann::json::parse(stats())["liveReferences"]["devenum"].get<int>();
}

} // namespace

class ListEventRelease : public SimTest {};

TEST_F(ListEventRelease, TheLastReleaseWaitsForACallbackThatBorrowsTheEnumerator)
{
    start("usb-color");
    vsx_devenum* e = nullptr;
    ASSERT_TRUE(vsx_devenum_create(&e));
    BorrowingCallback callback;
    ASSERT_TRUE(vsx_devenum_event_add_device_list_changed(e, &BorrowingCallback::on_changed, &callback,
                                                          &BorrowingCallback::on_release));
    ASSERT_TRUE(vsxsim_plug("41000001", false));
    {
        std::unique_lock<std::mutex> lock(callback.mutex);
        ASSERT_TRUE(
            callback.changed.wait_for(lock, std::chrono::seconds(5), [&] { return callback.inside; }));
    }
    // The owner lets go while the callback is inside; the release waits for it.
    std::thread owner([e] { vsx_devenum_unref(e); });
    while (external_enumerators() != 0)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // let the release reach its wait
    {
        std::lock_guard<std::mutex> lock(callback.mutex);
        callback.proceed = true;
    }
    callback.changed.notify_all();
    owner.join();
    EXPECT_EQ(callback.calls.load(), 1);
    EXPECT_EQ(callback.released.load(), 1);
    EXPECT_EQ(nlohmann::json::parse(stats())["deviceListRegistrations"].get<int>(), 0);
    ASSERT_TRUE(vsxsim_plug("41000001", true));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(callback.calls.load(), 1);
}
