// In a process whose camera library was never initialised.

#include "device/DeviceEnum.h"
#include "device/Grabber.h"

#include <gtest/gtest.h>

TEST(Uninitialised, Code5AlwaysThrowsItsOwnException)
{
    // Whatever the behaviour, even ignore.
    for (int behaviour : {vsx::Error::Ignore, vsx::Error::Record, vsx::Error::LibraryDefault, vsx::Error::Throw}) {
        vsx::Error err(behaviour);
        EXPECT_THROW(vsx::DeviceEnum enumerator(err), vsx::VSXLibraryNotInitializedException) << behaviour;
        EXPECT_THROW(vsx::Grabber grabber(err), vsx::VSXLibraryNotInitializedException) << behaviour;
    }
    try {
        vsx::DeviceEnum::enumDevicesNoThrow();
        FAIL() << "no exception";
    } catch (const vsx::VSXLibraryNotInitializedException& e) {
        EXPECT_EQ(e.code(), 5);
        EXPECT_STREQ(e.what(), "Library not initialized");
    }
}

TEST(Uninitialised, ExceptionTextFollowsTheCode)
{
    vsx::Error record(vsx::Error::Record);
    record.code = 0;
    record.text = "stale";
    EXPECT_STREQ(vsx::VSXException(record).what(), "");
    record.code = 7;
    EXPECT_STREQ(vsx::VSXException(record).what(), "stale");
    const vsx::VSXException copy = vsx::VSXException(record);
    EXPECT_EQ(copy.code(), 7);
}
