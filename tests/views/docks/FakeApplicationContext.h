#pragma once

#include "app/IApplicationContext.h"

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorel::test {

// An application context whose directory dialog answers from a script: each
// entry is the folder "chosen", an empty one is "Cancel". Records the start
// folders it was asked with. Everything else is not needed by the docks and
// fails loudly.
class FakeApplicationContext : public application::IApplicationContext {
public:
    std::deque<std::wstring> directoryAnswers;
    std::vector<std::wstring> directoryStarts;

    bool chooseDirectory(const std::wstring& start, std::wstring& directory) override
    {
        directoryStarts.push_back(start);
        directory.clear();
        if (!directoryAnswers.empty()) {
            directory = directoryAnswers.front();
            directoryAnswers.pop_front();
        }
        return !directory.empty();
    }

    void setTitle(const std::string&) override { unused(); }
    void run(int, char**) override { unused(); }
    void deleteController() override { unused(); }
    kyrgx::Vec2<float> dpi() override { return {96, 96}; }
    bool highDpi() override { return false; }
    std::shared_ptr<kyrgx::OpenGL::Pixelbuffer> makePixelBuffer(int32_t, int32_t, int32_t, int32_t) override
    {
        unused();
    }
    std::shared_ptr<kyrgx::Graphics> makeGraphics(const kyr_kelvane::image_descriptor&, bool) override
    {
        unused();
    }
    bool openFile(const std::wstring&, const std::wstring&, const application::FileFilters&, std::wstring&,
                  std::wstring&) override
    {
        unused();
    }
    bool saveFile(const std::wstring&, const std::wstring&, const application::FileFilters&, std::wstring&,
                  std::wstring&, application::ReplaceQuestion) override
    {
        unused();
    }
    bool saveImage(const std::wstring&, std::wstring&, std::wstring&) override { unused(); }
    bool getText(const std::wstring&, const std::wstring&, std::wstring&) override { unused(); }
    void openWithDesktop(const std::wstring&) override { unused(); }
    void exit(int) override { unused(); }
    void restart(int, char**) override { unused(); }

private:
    [[noreturn]] static void unused() { throw std::logic_error("FakeApplicationContext: not expected here"); }
};

} // namespace quorel::test
