// The dialog's registration for device-list changes, which arrive on the
// library's own thread.
#include "DialogFixture.h"

#include "device/Grabber.h"
#include "dialogs/DeviceEnumeration.h"
#include "dialogs/DeviceSelectionDlg.h"

#include <QCoreApplication>
#include <QTest>
#include <QTreeWidget>
#include <atomic>
#include <thread>

using namespace quorel::test;

namespace {

class ListChangeCounter : public QObject {
public:
    int events = 0;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == kDeviceListChangedEvent)
            ++events;
    }
};

class DeviceListEvents : public DialogTest {};

} // namespace

TEST(DeviceListChangedGuardTest, PostsFromAnyThreadUntilDetached)
{
    auto target = std::make_unique<ListChangeCounter>();
    DeviceListChangedGuard guard(target.get());
    std::atomic<int> posted{0};
    std::atomic<bool> stop{false};
    std::thread library([&] {
        while (!stop) {
            guard.post();
            ++posted;
        }
    });
    while (posted < 100)
        std::this_thread::yield();
    guard.detach(); // from here on nothing reaches the target
    const int before = posted;
    QCoreApplication::sendPostedEvents(target.get(), kDeviceListChangedEvent);
    const int delivered = target->events;
    EXPECT_GE(delivered, 100);
    EXPECT_LE(delivered, before + 1); // at most the post that was under way
    target.reset();
    while (posted < before + 100)
        std::this_thread::yield();
    stop = true;
    library.join();
    QCoreApplication::sendPostedEvents();
}

TEST_F(DeviceListEvents, TheRegistrationLivesExactlyAsLongAsTheDialog)
{
    EXPECT_EQ(device_list_registrations(), 0);
    {
        vsx::Grabber grabber;
        DeviceSelectionDlg dialog(nullptr, &grabber, {});
        EXPECT_EQ(device_list_registrations(), 1);
        ASSERT_TRUE(vsxsim_plug("41000001", false));
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.tree()->topLevelItem(0)->childCount() == 1; }));
        // A change whose event is still queued when the dialog goes is dropped with it.
        ASSERT_TRUE(vsxsim_plug("41000001", true));
        ASSERT_TRUE(vsxsim_flush(5000));
    }
    EXPECT_EQ(device_list_registrations(), 0);
    QCoreApplication::sendPostedEvents();
}

TEST_F(DeviceListEvents, DialogsComeAndGoWhileTheListKeepsChanging)
{
    std::atomic<bool> stop{false};
    std::thread plugging([&] {
        for (bool present = false; !stop; present = !present)
            vsxsim_plug("41000001", present);
        vsxsim_plug("41000001", true);
    });
    for (int round = 0; round < 20; ++round) {
        DeviceSelectionDlg dialog(nullptr, nullptr, {});
        QCoreApplication::processEvents();
        EXPECT_FALSE(dialog.failed()) << dialog.errorText();
    }
    stop = true;
    plugging.join();
    settle();
    EXPECT_EQ(device_list_registrations(), 0);
}
