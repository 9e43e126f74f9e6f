#include "device/VsxError.h"

#include <atomic>
#include <vsxcore.h>

namespace vsx {

namespace {

std::atomic<bool> g_libraryDefaultThrows{false};

int last_error_code()
{
    int code = 0;
    vsx_get_last_error(&code, nullptr, nullptr);
    return code;
}

}  // namespace

Error& Error::defaultRecord()
{
    thread_local Error record(LibraryDefault);
    return record;
}

Error& Error::ignoreRecord()
{
    thread_local Error record(Ignore);
    return record;
}

void Error::setLibraryDefaultThrow(bool throws) { g_libraryDefaultThrows = throws; }

bool Error::libraryDefaultThrows() { return g_libraryDefaultThrows; }

void Error::updateFromLastError()
{
    char buffer[256];
    size_t size = sizeof(buffer);
    int lastCode = 0;
    if (vsx_get_last_error(&lastCode, buffer, &size)) {
        text.assign(buffer, size > 0 ? size - 1 : 0);
    } else {
        // Longer than 255 bytes: ask again with the size the library needs.
        std::string longText(size, '\0');
        if (size > 0 && vsx_get_last_error(&lastCode, longText.data(), &size))
            longText.resize(size > 0 ? size - 1 : 0);
        else
            longText.clear();
        text = std::move(longText);
    }
    code = lastCode;
}

bool Error::isIgnored() const
{
    return behaviour == Ignore || (behaviour == LibraryDefault && !libraryDefaultThrows() && code != kLibraryNotInitialized);
}

void Error::clear()
{
    if (isIgnored())
        return;
    code = kNoError;
    text.clear();
}

std::string Error::message() const { return code != kNoError ? text : std::string(); }

void Error::throwTest() const
{
    bool raise = false;
    if (behaviour == LibraryDefault)
        raise = code == kLibraryNotInitialized || (libraryDefaultThrows() && code != kNoError);
    else if (behaviour == Throw)
        raise = code != kNoError;
    if (raise)
        throw_sdk_exception(*this);
}

bool check_getter_result(Error& record, bool result)
{
    if (record.isIgnored())
        return result;
    if (result) {
        record.code = Error::kNoError;
        record.text.clear();
    } else {
        record.updateFromLastError();
    }
    record.throwTest();
    return result;
}

bool Error::check(bool result)
{
    if (!result && last_error_code() == kLibraryNotInitialized) {
        updateFromLastError();
        throw_sdk_exception(*this);
    }
    return check_getter_result(*this, result);
}

void Error::refresh()
{
    if (isIgnored())
        return;
    updateFromLastError();
    throwTest();
}

void Error::fail(int failureCode, const std::string& failureMessage)
{
    if (isIgnored())
        return;
    code = failureCode;
    text = failureMessage;
    throwTest();
}

const char* VSXException::what() const noexcept
{
    what_ = record_.code != Error::kNoError ? record_.text : std::string();
    return what_.c_str();
}

void throw_sdk_exception(const Error& record)
{
    if (record.code == Error::kLibraryNotInitialized)
        throw VSXLibraryNotInitializedException(record);
    throw VSXException(record);
}

std::string string_from_c(Error& record, const char* text)
{
    std::string result = text ? std::string(text) : std::string();
    record.refresh();
    return result;
}

}  // namespace vsx
