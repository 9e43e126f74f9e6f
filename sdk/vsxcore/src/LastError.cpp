#include "LastError.h"

namespace vsxsim {

namespace {
struct ErrorSlot {
    int code = 0;
    std::string message;
};
thread_local ErrorSlot t_error;
} // namespace

void LastError::set(int code, const std::string& message)
{
    t_error.code = code;
    t_error.message = message;
}

void LastError::clear()
{
    t_error.code = 0;
    t_error.message.clear();
}

int LastError::code()
{
    return t_error.code;
}

const std::string& LastError::message()
{
    return t_error.message;
}

} // namespace vsxsim
