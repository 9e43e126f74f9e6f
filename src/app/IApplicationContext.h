#pragma once

#include "kyrgx/Vec2.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kyr_kelvane {
struct image_descriptor;
} // namespace kyr_kelvane

namespace kyrgx {
class Graphics;
namespace OpenGL {
class Pixelbuffer;
} // namespace OpenGL
} // namespace kyrgx

namespace application {

// A file-dialog filter: display name and extension with its leading dot,
// e.g. {L"JSON Files", L".json"}.
using FileFilter = std::pair<std::wstring, std::wstring>;
using FileFilters = std::vector<FileFilter>;

// Who asks before a save replaces an existing file. The file dialog never
// asks, so a replacement is asked about once, and about the file that is
// written: the context asks right after the dialog (its path, extension
// included), or the caller asks later itself.
enum class ReplaceQuestion { Context, Caller };

// The service point through which the program reaches the platform without
// knowing Qt: the application's run, dialogs, opening files with the desktop,
// ending the event loop and restarting.
class IApplicationContext {
public:
    virtual ~IApplicationContext() = default;

    virtual void setTitle(const std::string& title) = 0;
    virtual void run(int argc, char** argv) = 0;
    virtual void deleteController() = 0;
    virtual kyrgx::Vec2<float> dpi() = 0;
    virtual bool highDpi() = 0;

    // An OpenGL pixel buffer of height x stride bytes (the caller's OpenGL
    // context must be current): the live view copies frames into these.
    virtual std::shared_ptr<kyrgx::OpenGL::Pixelbuffer> makePixelBuffer(int32_t width, int32_t height,
                                                                        int32_t stride, int32_t format) = 0;
    // A Graphics that draws into the image's pixels in place (overlays burnt
    // into saved images and video frames), from any thread. Offscreen drawing
    // is one job at a time: the Graphics holds the process's offscreen drawing
    // lock while an image is begun, from its making until it is released or
    // its context's endImage is called, so end or release it before making
    // another. A Graphics may be kept for further images (its fonts with it):
    // its context's beginImage takes the lock again, after which
    // Graphics::reset() sets the drawing state up anew; draw only between the
    // two.
    virtual std::shared_ptr<kyrgx::Graphics> makeGraphics(const kyr_kelvane::image_descriptor& image,
                                                          bool alpha) = 0;

    // File-open dialog: true and both outputs set when the user chose a file.
    virtual bool openFile(const std::wstring& title, const std::wstring& allFilesLabel,
                          const FileFilters& filters, std::wstring& path, std::wstring& directory) = 0;
    // File-save dialog; a name without extension gets the selected filter's.
    // With ReplaceQuestion::Context an existing file is replaced only when the
    // user says yes (no returns false and leaves the outputs).
    virtual bool saveFile(const std::wstring& title, const std::wstring& allFilesLabel,
                          const FileFilters& filters, std::wstring& path, std::wstring& directory,
                          ReplaceQuestion question) = 0;
    // Image-save dialog with the fixed image formats; the context asks before
    // an existing file is replaced.
    virtual bool saveImage(const std::wstring& title, std::wstring& path, std::wstring& directory) = 0;
    // Directory dialog: the output is the chosen folder, or empty when cancelled.
    virtual bool chooseDirectory(const std::wstring& start, std::wstring& directory) = 0;
    // One-line text input: true and the output set for a confirmed non-empty text.
    virtual bool getText(const std::wstring& title, const std::wstring& label, std::wstring& text) = 0;
    virtual void openWithDesktop(const std::wstring& path) = 0;
    // Ends the event loop; -1 restarts the program.
    virtual void exit(int code) = 0;
    virtual void restart(int argc, char** argv) = 0;
};

// The process-wide context, created on first use by the installed factory.
std::shared_ptr<IApplicationContext> get_context();

// Installs the factory that get_context's first call uses (the program installs
// the Qt context; tests install their own).
void set_context_factory(std::function<std::shared_ptr<IApplicationContext>()> factory);

// Replaces the current context (tests); null makes the next get_context create one.
void set_context(std::shared_ptr<IApplicationContext> context);

} // namespace application
