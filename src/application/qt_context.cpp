#include "application/qt_context.h"

#include "app/AppFolders.h"
#include "app/Localization.h"
#include "app/ProductInfo.h"
#include "app/TextFile.h"
#include "app/Utf8.h"
#include "application/ControllerWiring.h"
#include "application/EditorWheelGuard.h"
#include "application/FileDialogFilters.h"
#include "application/OffscreenDrawingLock.h"
#include "application/QtDesktopServices.h"
#include "application/TerminationSignals.h"
#include "application/ThemePalette.h"
#include "device/VideoDeviceController.h"
#include "kyrgx/FontCache.h"
#include "kyrgx/Graphics.h"
#include "kyrgx/ImageDescriptor.h"
#include "kyrgx/opengl/Pixelbuffer.h"
#include "kyrgx/qt/PixmapCache.h"
#include "kyrgx/qt/QtGraphicsContext.h"
#include "kyrgx/qt/QtGraphicsDriver.h"
#include "model/MainModel.h"
#include "model/MainViewController.h"
#include "model/WindowSettings.h"
#include "panels/PropertyItemBuilder.h"
#include "views/QtMainView.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QUrl>
#include <clocale>
#include <filesystem>
#include <spdlog/spdlog.h>

namespace fs = std::filesystem;

namespace application {

namespace {

QString q(const std::wstring& s)
{
    return QString::fromStdWString(s);
}
std::wstring w(const QString& s)
{
    return s.toStdWString();
}

} // namespace

qt_context::qt_context()
    : desktop_(std::make_shared<QtDesktopServices>()), offscreenFonts_(std::make_shared<kyrgx::FontCache>())
{
}

qt_context::~qt_context() = default;

void qt_context::setTitle(const std::string& title)
{
    title_ = title;
}

kyrgx::Vec2<float> qt_context::dpi()
{
    return dpi_;
}

bool qt_context::highDpi()
{
    return highDpi_;
}

std::shared_ptr<kyrgx::OpenGL::Pixelbuffer> qt_context::makePixelBuffer(int32_t width, int32_t height,
                                                                        int32_t stride, int32_t format)
{
    if (width < 0 || height < 0 || stride < 0)
        throw std::invalid_argument("makePixelBuffer: negative size");
    return std::make_shared<kyrgx::OpenGL::Pixelbuffer>(
        static_cast<uint32_t>(width), static_cast<uint32_t>(height), static_cast<uint32_t>(stride),
        static_cast<kyrgx::PixelFormat>(format), 0u);
}

namespace {

// The surface of one offscreen Graphics: the caller's pixels painted with the
// context's one painter. It holds the offscreen drawing lock while an image is
// begun: from its making (or a later beginImage) until endImage, so a Graphics
// kept from one image to the next (a recording's frames) blocks nobody between
// them. Members go in reverse order: the surface (which ends painting), then
// the lock.
class LockedImageSurface : public kyrgx::graphics_context {
public:
    LockedImageSurface(QPainter* painter, const kyr_kelvane::image_descriptor& image, bool alpha)
        : token_(OffscreenDrawingLock::instance().acquire()),
          surface_(std::make_unique<app::QtView::QtGraphicsContext>(
              painter, image.data, static_cast<int>(image.width), static_cast<int>(image.height), image.pitch,
              image.format, alpha))
    {
    }

    bool beginImage(void* data, int width, int height, int stride, kyrgx::PixelFormat format,
                    bool alpha) override
    {
        endImage();
        token_ = OffscreenDrawingLock::instance().acquire();
        bool begun = false;
        try {
            begun = surface_->beginImage(data, width, height, stride, format, alpha);
        } catch (...) {
            endImage();
            throw;
        }
        if (!begun)
            endImage();
        return begun;
    }
    void endImage() override
    {
        surface_->endImage();
        token_.reset();
    }

    bool isKeyDown(int key) const override { return surface_->isKeyDown(key); }
    int pressCount(int key) const override { return surface_->pressCount(key); }
    void endFrame() override { surface_->endFrame(); }
    bool isActive() const override { return surface_->isActive(); }
    kyrgx::MouseState mouseState() const override { return surface_->mouseState(); }
    int width() const override { return surface_->width(); }
    int height() const override { return surface_->height(); }

private:
    OffscreenDrawingLock::Token token_;
    std::unique_ptr<app::QtView::QtGraphicsContext> surface_;
};

// One offscreen drawing job. Members go in reverse order: the Graphics, the
// driver, then the surface (which ends painting and frees the lock).
struct OffscreenJob {
    std::shared_ptr<LockedImageSurface> surface;
    std::shared_ptr<app::QtView::QtGraphicsDriver> driver;
    std::shared_ptr<kyrgx::Graphics> graphics;
};

} // namespace

std::shared_ptr<kyrgx::Graphics> qt_context::makeGraphics(const kyr_kelvane::image_descriptor& image,
                                                          bool alpha)
{
    auto job = std::make_shared<OffscreenJob>();
    job->surface = std::make_shared<LockedImageSurface>(&painter_, image, alpha);
    const QRect target(0, 0, static_cast<int>(image.width), static_cast<int>(image.height));
    job->driver = std::make_shared<app::QtView::QtGraphicsDriver>(&painter_, target);
    job->graphics = std::make_shared<kyrgx::Graphics>(job->driver, job->surface);
    job->graphics->setFontCache(offscreenFonts_);
    return std::shared_ptr<kyrgx::Graphics>(job, job->graphics.get());
}

void qt_context::setDesktopServices(std::shared_ptr<IDesktopServices> services)
{
    desktop_ = std::move(services);
}

void qt_context::run(int argc, char** argv)
{
    // The live view draws with OpenGL through GLX: prefer X11 unless the user chose.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (highDpi_) {
        QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
        QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    }

    argc_ = argc;
    auto application = std::make_unique<QApplication>(argc_, argv);
    // Widgets must not outlive the QApplication, also when start-up throws: the
    // controller and the window go before it; the model (with its save thread)
    // stays with the context.
    struct ReleaseWidgets {
        qt_context* self;
        ~ReleaseWidgets()
        {
            self->controller_.reset();
            self->view_.reset();
            app::clear_pixmap_cache();
        }
    } releaseWidgets{this};
    std::setlocale(LC_NUMERIC, "C"); // numbers in files and logs never follow the locale
    // Scrolling a dock or dialog changes no editor the user has not clicked.
    application->installEventFilter(new EditorWheelGuard(application.get()));

    QApplication::setWindowIcon(get_pixmap(L"main_icon.png"));
    QApplication::setOrganizationName(QStringLiteral("Kelvane Europe GmbH"));
    QApplication::setOrganizationDomain(QStringLiteral("kelvane.example"));
    QApplication::setApplicationName(QString::fromUtf8(title_.c_str()));
    QApplication::setApplicationVersion(QString::fromStdString(app::get_version()));

    loadStyleSheet();

    const app::WindowSettings settings = app::load_window_settings();
    Localization::loadLanguage(settings.language);

    // The camera controllers build the panels' feature lists with it.
    app::VideoDeviceController::setPropertyItemsBuilder(VSXUtil::init_properties);
    model_ = std::make_shared<app::MainModel>();
    const kyrgx::Vec2<int> size = settings.bottomRight - settings.topLeft;
    view_ =
        std::make_shared<app::QtMainView>(settings.topLeft.x, settings.topLeft.y, size.x, size.y, nullptr);
    controller_ = std::make_unique<MainViewController>(std::shared_ptr<app::IMainView>(view_, view_.get()),
                                                       model_, controller_services());

    view_->show();
    // Until here a termination signal ends the process at once; from here on
    // it closes the window the way the user's close does.
    auto termination = std::make_unique<TerminationSignals>([this] {
        // A dialog running its own loop (the device selection dialog, a
        // message box) ends first, as its Cancel would.
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
                dialog->reject();
        if (view_)
            view_->close();
    });
    spdlog::info("Start-up done: the main window is shown");
    const int code = QApplication::exec();
    termination.reset();
    // The settings are written. The images still queued are written while the
    // log still records, but a write that hangs does not keep the program.
    model_->finish_saving();

    if (code == -1) {
        spdlog::info("Changed language; restart application: path = {}",
                     QCoreApplication::applicationFilePath().toStdString());
        restart(argc_, argv);
    }
}

void qt_context::loadStyleSheet()
{
    const fs::path dataDir = app::path_from_wide(app::get_data_directory());
    const fs::path path = dataDir / "dark-theme.txt";
    if (!fs::exists(path))
        return;
    std::string sheet;
    try {
        sheet = app::read_text_file(app::path_to_wide(path));
    } catch (const std::exception& e) {
        spdlog::error("qt_context::loadStyleSheet() failed: {}", e.what());
        return;
    }
    const std::string token = "_DATA_PATH_";
    const std::string replacement = dataDir.string();
    for (size_t pos = sheet.find(token); pos != std::string::npos; pos = sheet.find(token, pos)) {
        sheet.replace(pos, token.size(), replacement);
        pos += replacement.size();
    }
    qApp->setStyleSheet(QString::fromUtf8(sheet.data(), static_cast<int>(sheet.size())));
    QApplication::setPalette(dark_theme_palette());
}

void qt_context::deleteController()
{
    controller_.reset();
}

QPixmap qt_context::get_pixmap(const std::wstring& name)
{
    return app::cached_pixmap(name);
}

QWidget* qt_context::dialogParent() const
{
    return view_.get();
}

bool qt_context::mayWrite(const std::wstring& path) const
{
    if (!QFileInfo::exists(q(path)))
        return true;
    return desktop_->confirmOverwrite(dialogParent(), q(path));
}

bool qt_context::openFile(const std::wstring& title, const std::wstring& allFilesLabel,
                          const FileFilters& filters, std::wstring& path, std::wstring& directory)
{
    QString selected = filters.empty() ? QString() : q(filter_entry(filters.front()));
    const QString chosen = desktop_->getOpenFileName(dialogParent(), q(title), q(directory),
                                                     q(build_filter_text(allFilesLabel, filters)), &selected);
    if (chosen.isEmpty())
        return false;
    path = w(chosen);
    directory = parent_directory(path);
    return true;
}

bool qt_context::saveFile(const std::wstring& title, const std::wstring& allFilesLabel,
                          const FileFilters& filters, std::wstring& path, std::wstring& directory,
                          ReplaceQuestion question)
{
    QString selected = filters.empty() ? QString() : q(filter_entry(filters.front()));
    // The dialog would ask about the name as typed, before an extension is
    // added; the question comes from here or from the caller instead.
    const QString chosen = desktop_->getSaveFileName(dialogParent(), q(title), q(directory),
                                                     q(build_filter_text(allFilesLabel, filters)), &selected,
                                                     QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return false;
    std::wstring result = w(chosen);
    if (file_extension(result).empty()) {
        for (const auto& filter : filters) {
            if (q(filter_entry(filter)).trimmed() == selected.trimmed()) {
                result += filter.second;
                break;
            }
        }
    }
    if (question == ReplaceQuestion::Context && !mayWrite(result))
        return false;
    path = result;
    directory = parent_directory(result);
    return true;
}

bool qt_context::saveImage(const std::wstring& title, std::wstring& path, std::wstring& directory)
{
    QString selected;
    const QString chosen =
        desktop_->getSaveFileName(dialogParent(), q(title), q(directory), q(image_filter_text()), &selected,
                                  QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return false;
    const std::wstring typed = w(chosen);
    const std::wstring result = replace_extension(typed, image_extension_for(w(selected), typed));
    if (!mayWrite(result))
        return false;
    path = result;
    directory = parent_directory(result);
    return true;
}

bool qt_context::chooseDirectory(const std::wstring& start, std::wstring& directory)
{
    directory = w(desktop_->getExistingDirectory(nullptr, QStringLiteral("Open Directory"), q(start)));
    return !directory.empty();
}

bool qt_context::getText(const std::wstring& title, const std::wstring& label, std::wstring& text)
{
    bool ok = false;
    const QString answer = desktop_->getText(nullptr, q(title), q(label), &ok);
    if (!ok || answer.isEmpty())
        return false;
    text = w(answer);
    return true;
}

void qt_context::openWithDesktop(const std::wstring& path)
{
    desktop_->openUrl(QUrl::fromLocalFile(q(path)));
}

void qt_context::exit(int code)
{
    QCoreApplication::exit(code);
}

void qt_context::restart(int argc, char** argv)
{
    QStringList arguments;
    if (argc > 1 && argv[1])
        arguments << QString::fromLocal8Bit(argv[1]);
    desktop_->startDetached(QCoreApplication::applicationFilePath(), arguments);
}

} // namespace application
