#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace vsx {

// The error record every wrapper call takes. Its behaviour decides what a
// failure of the camera library does: 0 ignore, 1 record, 2 follow the library
// default, 3 record and throw. Code 5 (library not initialised) throws
// VSXLibraryNotInitializedException whatever the behaviour.
class Error {
public:
    enum Behaviour : int { Ignore = 0, Record = 1, LibraryDefault = 2, Throw = 3 };

    // Codes the program gives a meaning of its own.
    static constexpr int kNoError = 0;
    static constexpr int kUnexpectedSinkType = 2;
    static constexpr int kLibraryNotInitialized = 5;
    static constexpr int kWrongPropertyType = 103;

    explicit Error(int behaviour = Record) : behaviour(behaviour) {}

    int code = kNoError;
    std::string text;  // the library's message for the last recorded failure
    int behaviour;

    // Fills code and message from the library's last error of this thread.
    void updateFromLastError();
    // Sets code 0 and an empty message, unless the record counts as ignored.
    void clear();
    // The message while the code is not 0, else the empty string.
    std::string message() const;
    // The standard check of a library call's result; returns the result.
    bool check(bool result);
    // A record counts as ignored when its behaviour is 0, or 2 while the
    // library default does not throw and its code is not 5.
    bool isIgnored() const;
    // Throws as the behaviour asks for the current code.
    void throwTest() const;
    // After a call whose result cannot show failure: reads the last error
    // (unless ignored) and applies the throw test.
    void refresh();
    // Records a failure of the wrapper's own (unless ignored) and applies the throw test.
    void fail(int code, const std::string& message);

    // The program-wide records, one per thread so that camera threads and the
    // GUI thread never write the same object: behaviour 2 and behaviour 0.
    static Error& defaultRecord();
    static Error& ignoreRecord();

    // Whether the library default is to throw (false at start; the main
    // controller sets it before the library is initialised).
    static void setLibraryDefaultThrow(bool throws);
    static bool libraryDefaultThrows();
};

// A failure of the camera library: its code and message.
class VSXException : public std::exception {
public:
    explicit VSXException(const Error& record) : record_(record) {}
    const char* what() const noexcept override;
    int code() const { return record_.code; }
    const Error& record() const { return record_; }

private:
    Error record_;
    mutable std::string what_;
};

// Code 5: the camera library was not initialised.
class VSXLibraryNotInitializedException : public VSXException {
public:
    using VSXException::VSXException;
};

// Throws VSXLibraryNotInitializedException for code 5, else VSXException.
[[noreturn]] void throw_sdk_exception(const Error& record);

// The check of a getter's result, without the early code-5 step.
bool check_getter_result(Error& record, bool result);

// Checked getters: call the getter, check its result like Error::check (without
// its early code-5 step) and return what it wrote (0 when it wrote nothing).
template <typename Handle>
double call_getter_double(Error& record, Handle* handle, const std::function<bool(Handle*, double*)>& getter);
template <typename Handle>
int64_t call_getter_int64(Error& record, Handle* handle, const std::function<bool(Handle*, int64_t*)>& getter);
template <typename Handle>
bool call_getter_bool(Error& record, Handle* handle, const std::function<bool(Handle*, bool*)>& getter);

// The same for a getter of an integer feature by name in a property map.
template <typename Map>
int64_t call_propmap_getter_int64(Error& record, Map* map, const std::string& name,
                                  const std::function<bool(Map*, const char*, int64_t*)>& getter)
{
    int64_t value = 0;
    check_getter_result(record, getter(map, name.c_str(), &value));
    return value;
}

// Copies a text returned by the library (null gives the empty string), then
// refreshes the record.
std::string string_from_c(Error& record, const char* text);

template <typename Handle>
double call_getter_double(Error& record, Handle* handle, const std::function<bool(Handle*, double*)>& getter)
{
    double value = 0;
    check_getter_result(record, getter(handle, &value));
    return value;
}

template <typename Handle>
int64_t call_getter_int64(Error& record, Handle* handle, const std::function<bool(Handle*, int64_t*)>& getter)
{
    int64_t value = 0;
    check_getter_result(record, getter(handle, &value));
    return value;
}

template <typename Handle>
bool call_getter_bool(Error& record, Handle* handle, const std::function<bool(Handle*, bool*)>& getter)
{
    bool value = false;
    check_getter_result(record, getter(handle, &value));
    return value;
}

}  // namespace vsx
