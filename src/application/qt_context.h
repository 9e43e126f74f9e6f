#pragma once

#include "app/IApplicationContext.h"
#include "application/IDesktopServices.h"

#include <QPainter>
#include <QPixmap>
#include <map>
#include <memory>
#include <string>

class MainViewController;

namespace kyrgx {
class FontCache;
}

namespace app {
class MainModel;
class QtMainView;
} // namespace app

namespace application {

// The application context of the program: owns the Qt application, builds the
// model, the main window and the main controller, runs the event loop and
// restarts the program after a language change.
class qt_context : public IApplicationContext {
public:
    qt_context();
    ~qt_context() override;

    void setTitle(const std::string& title) override;
    void run(int argc, char** argv) override;
    void deleteController() override;
    kyrgx::Vec2<float> dpi() override;
    bool highDpi() override;
    // Throws std::invalid_argument for a negative size or stride.
    std::shared_ptr<kyrgx::OpenGL::Pixelbuffer> makePixelBuffer(int32_t width, int32_t height, int32_t stride,
                                                                int32_t format) override;
    // Paints with the context's one painter under the offscreen drawing lock,
    // held while an image is begun: until the Graphics is released or its
    // context's endImage, and again from a later beginImage. Throws
    // std::runtime_error for a pixel format the painter cannot draw into; the
    // lock is then free again. Every offscreen Graphics shares the context's
    // fonts, so their glyph pages are rendered once, not per drawing.
    std::shared_ptr<kyrgx::Graphics> makeGraphics(const kyr_kelvane::image_descriptor& image,
                                                  bool alpha) override;
    bool openFile(const std::wstring& title, const std::wstring& allFilesLabel, const FileFilters& filters,
                  std::wstring& path, std::wstring& directory) override;
    bool saveFile(const std::wstring& title, const std::wstring& allFilesLabel, const FileFilters& filters,
                  std::wstring& path, std::wstring& directory, ReplaceQuestion question) override;
    bool saveImage(const std::wstring& title, std::wstring& path, std::wstring& directory) override;
    bool chooseDirectory(const std::wstring& start, std::wstring& directory) override;
    bool getText(const std::wstring& title, const std::wstring& label, std::wstring& text) override;
    void openWithDesktop(const std::wstring& path) override;
    void exit(int code) override;
    void restart(int argc, char** argv) override;

    // The pixmap of a file in the data folder, loaded once; a missing file
    // gives a null pixmap, and so does every later request for it. The cache
    // itself (app::cached_pixmap) sits below the views, which use it too.
    QPixmap get_pixmap(const std::wstring& name);

    // Installs the style sheet of the data folder's "dark-theme.txt" on the
    // application ("_DATA_PATH_" stands for the data folder) with the dark
    // palette that goes with it; a missing file leaves Qt's default style.
    void loadStyleSheet();

    // Replaces the dialogs and process services (tests).
    void setDesktopServices(std::shared_ptr<IDesktopServices> services);

    // The fonts of every offscreen Graphics.
    const std::shared_ptr<kyrgx::FontCache>& offscreenFonts() const { return offscreenFonts_; }

    // The main window, while the context holds one.
    std::shared_ptr<app::QtMainView> mainView() const { return view_; }

private:
    QWidget* dialogParent() const;
    // True when the path may be written: it does not exist, or the user
    // said it may be replaced.
    bool mayWrite(const std::wstring& path) const;

    std::shared_ptr<app::MainModel> model_;
    std::shared_ptr<app::QtMainView> view_;
    std::unique_ptr<MainViewController> controller_;
    std::string title_;
    kyrgx::Vec2<float> dpi_{96.0f, 96.0f};
    bool highDpi_ = true;
    std::shared_ptr<IDesktopServices> desktop_;
    int argc_ = 0;
    QPainter painter_; // every offscreen Graphics paints with it, one at a time
    std::shared_ptr<kyrgx::FontCache> offscreenFonts_;
};

} // namespace application
