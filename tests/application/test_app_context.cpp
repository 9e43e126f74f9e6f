#include "FakeDesktopServices.h"
#include "app/AppFolders.h"
#include "app/Utf8.h"
#include "application/FileDialogFilters.h"
#include "application/qt_context.h"
#include "support/TempHome.h"
#include "views/QtMainView.h"

#include <QApplication>
#include <QPalette>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace application;
using quorel::test::FakeDesktopServices;
using quorel::test::make_temp_dir;

TEST(FileDialogFilters, FilterText)
{
    const struct {
        FileFilters filters;
        std::wstring expected;
    } rows[] = {
        {{}, L""},
        {{{L"Text CSV", L".csv"}}, L"Text CSV (*.csv)"},
        {{{L"JSON Files", L".json"}, {L"Text CSV", L".csv"}},
         L"All Files (*.json *.csv );; JSON Files (*.json);; Text CSV (*.csv)"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(build_filter_text(L"All Files", row.filters), row.expected);
}

TEST(FileDialogFilters, ExtensionsComeFromTheFileNameOnly)
{
    EXPECT_EQ(file_extension(L"/a.b/c"), L"");
    EXPECT_EQ(file_extension(L"/a/c.tar.gz"), L".gz");
    EXPECT_EQ(replace_extension(L"/a.b/c", L".png"), L"/a.b/c.png");
    EXPECT_EQ(replace_extension(L"/a/c.tar.gz", L".tiff"), L"/a/c.tar.tiff");
    EXPECT_EQ(parent_directory(L"/pics/snap.png"), L"/pics");
    EXPECT_EQ(parent_directory(L"/snap.png"), L"/");
}

namespace {

class ContextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        desktop_ = std::make_shared<FakeDesktopServices>();
        context_.setDesktopServices(desktop_);
        dir_ = make_temp_dir("dialogs");
    }

    std::wstring file(const std::string& name) const { return app::path_to_wide(dir_ / name); }
    QString qfile(const std::string& name) const { return QString::fromStdWString(file(name)); }

    std::shared_ptr<FakeDesktopServices> desktop_;
    qt_context context_;
    fs::path dir_;
};

} // namespace

TEST_F(ContextTest, SaveImageChoosesTheExtension)
{
    const struct {
        const char* typed;
        const char* filter;
        const char* expected;
    } rows[] = {
        {"snap.png", "Bitmap (*.bmp)", "snap.bmp"},
        {"snap", "All Files (*)", "snap.bmp"},
        {"snap.raw", "TIFF Files (*.tiff)", "snap.tiff"},
        {"snap.v2.jpeg", "PNG Files (*.png)", "snap.v2.png"},
        {"snap", "JPEG Files (*.jpg)", "snap.jpg"},
        // Under "All Files" an image extension the user typed is kept.
        {"snap.png", "All Files (*)", "snap.png"},
        {"snap.JPEG", "All Files (*)", "snap.JPEG"},
        {"snap.tif", "All Files (*)", "snap.tif"},
        {"snap.txt", "All Files (*)", "snap.bmp"},
    };
    for (const auto& row : rows) {
        desktop_->answer = qfile(row.typed);
        desktop_->answerFilter = row.filter;
        std::wstring path, directory = L"/start";
        ASSERT_TRUE(context_.saveImage(L"Save", path, directory)) << row.typed;
        EXPECT_EQ(path, file(row.expected)) << row.typed << " under " << row.filter;
        EXPECT_EQ(directory, app::path_to_wide(dir_));
    }
    EXPECT_EQ(desktop_->lastDirectory, "/start");
    EXPECT_EQ(desktop_->lastPreselected, ""); // no filter is preselected
    EXPECT_EQ(
        desktop_->lastFilter,
        "Bitmap (*.bmp);; PNG Files (*.png);; JPEG Files (*.jpg);; TIFF Files (*.tiff);; All Files (*)");
    EXPECT_TRUE(desktop_->overwriteQuestions.empty());
}

TEST_F(ContextTest, AReplacedFileIsAskedAboutOnceAndByName)
{
    // The file dialog never asks (it would ask about the name as typed); the
    // context asks about the file it hands back, unless its caller asks itself.
    std::ofstream(dir_ / "snap.bmp") << "earlier image";
    std::ofstream(dir_ / "snap.png") << "earlier image";
    std::ofstream(dir_ / "data.csv") << "earlier";
    enum Dialog { kImage, kFile, kFileCallerAsks };
    const struct {
        const char* what;
        Dialog dialog;
        const char* typed;
        QString filter;
        const char* asked; // null: no question
        const char* result;
    } cases[] = {
        {"image over itself", kImage, "snap.png", "PNG Files (*.png)", "snap.png", "snap.png"},
        {"image, extension changed", kImage, "snap.png", "Bitmap (*.bmp)", "snap.bmp", "snap.bmp"},
        {"image, new file", kImage, "new.png", "PNG Files (*.png)", nullptr, "new.png"},
        {"file over itself", kFile, "data.csv", "", "data.csv", "data.csv"},
        {"file, extension added", kFile, "data", "", "data.csv", "data.csv"},
        {"file, new", kFile, "other", "", nullptr, "other.csv"},
        {"caller asks", kFileCallerAsks, "data", "", nullptr, "data.csv"},
    };
    for (const auto& c : cases) {
        for (const bool yes : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (yes ? ", yes" : ", no"));
            desktop_->overwriteQuestions.clear();
            desktop_->lastSaveOptions = {};
            desktop_->answer = qfile(c.typed);
            desktop_->answerFilter = c.filter;
            desktop_->allowOverwrite = yes;
            std::wstring path = L"untouched", directory = L"untouched";
            const bool chosen =
                c.dialog == kImage
                    ? context_.saveImage(L"Save", path, directory)
                    : context_.saveFile(L"Export", L"All Files", {{L"Text CSV", L".csv"}}, path, directory,
                                        c.dialog == kFile ? application::ReplaceQuestion::Context
                                                          : application::ReplaceQuestion::Caller);
            EXPECT_TRUE(desktop_->lastSaveOptions.testFlag(QFileDialog::DontConfirmOverwrite));
            if (c.asked) {
                ASSERT_EQ(desktop_->overwriteQuestions.size(), 1u);
                EXPECT_EQ(desktop_->overwriteQuestions[0], qfile(c.asked));
            } else {
                EXPECT_TRUE(desktop_->overwriteQuestions.empty());
            }
            if (c.asked && !yes) {
                EXPECT_FALSE(chosen);
                EXPECT_EQ(path, L"untouched");
                EXPECT_EQ(directory, L"untouched");
            } else {
                EXPECT_TRUE(chosen);
                EXPECT_EQ(path, file(c.result));
            }
        }
    }
}

TEST_F(ContextTest, SaveFileAppendsTheSelectedFiltersExtension)
{
    const FileFilters csv = {{L"Text CSV", L".csv"}};
    const FileFilters two = {{L"JSON Files", L".json"}, {L"Text CSV", L".csv"}};
    const struct {
        const FileFilters* filters;
        const char* typed;
        QString filter; // empty: the preselected one
        const char* expected;
    } rows[] = {
        {&csv, "table", "", "table.csv"},
        {&csv, "table.txt", "", "table.txt"},
        {&two, "objects", "", "objects.json"},
        {&two, "objects", "Text CSV (*.csv)", "objects.csv"},
        {&two, "objects", "All Files (*.json *.csv )", "objects"},
    };
    for (const auto& row : rows) {
        desktop_->answer = qfile(row.typed);
        desktop_->answerFilter = row.filter;
        std::wstring path, directory;
        ASSERT_TRUE(context_.saveFile(L"Save", L"All Files", *row.filters, path, directory,
                                      application::ReplaceQuestion::Context));
        EXPECT_EQ(path, file(row.expected)) << row.typed;
        EXPECT_EQ(desktop_->lastPreselected, QString::fromStdWString(filter_entry(row.filters->front())));
    }
}

TEST_F(ContextTest, CancelledDialogsLeaveTheirOutputs)
{
    desktop_->answer.clear();
    std::wstring path = L"p", directory = L"d";
    EXPECT_FALSE(context_.openFile(L"Open", L"All", {{L"JSON Files", L".json"}}, path, directory));
    EXPECT_FALSE(context_.saveFile(L"Save", L"All", {{L"JSON Files", L".json"}}, path, directory,
                                   application::ReplaceQuestion::Context));
    EXPECT_FALSE(context_.saveImage(L"Save", path, directory));
    EXPECT_EQ(path, L"p");
    EXPECT_EQ(directory, L"d");

    std::wstring text = L"t";
    desktop_->answerOk = false;
    desktop_->answer = "typed";
    EXPECT_FALSE(context_.getText(L"Name", L"Label", text));
    desktop_->answerOk = true;
    desktop_->answer.clear();
    EXPECT_FALSE(context_.getText(L"Name", L"Label", text));
    EXPECT_EQ(text, L"t");

    // chooseDirectory empties its output when cancelled.
    EXPECT_FALSE(context_.chooseDirectory(L"/start", directory));
    EXPECT_EQ(directory, L"");
    EXPECT_EQ(desktop_->lastCaption, "Open Directory");
}

TEST_F(ContextTest, ChosenFilesAndTextsComeBackUnchanged)
{
    desktop_->answer = qfile("Messung \xC3\xBC"
                             "ber 10 \xC2\xB5m.json");
    std::wstring path, directory;
    ASSERT_TRUE(context_.openFile(L"Open", L"All", {{L"JSON Files", L".json"}}, path, directory));
    EXPECT_EQ(path, file("Messung \xC3\xBC"
                         "ber 10 \xC2\xB5m.json"));
    EXPECT_EQ(directory, app::path_to_wide(dir_));

    desktop_->answer = QString::fromUtf8("Mikroskop \xE2\x84\x96"
                                         "1");
    std::wstring text;
    ASSERT_TRUE(context_.getText(L"Name", L"Label", text));
    EXPECT_EQ(text, L"Mikroskop \u21161");

    context_.openWithDesktop(L"/doc/Quorel 4.0 Help.html");
    ASSERT_EQ(desktop_->openedUrls.size(), 1u);
    EXPECT_EQ(desktop_->openedUrls[0].toLocalFile(), "/doc/Quorel 4.0 Help.html");
}

TEST_F(ContextTest, RestartPassesOnlyTheFirstArgument)
{
    char a0[] = "quorel", a1[] = "--first", a2[] = "second";
    char* argv[] = {a0, a1, a2, nullptr};
    context_.restart(1, argv);
    context_.restart(3, argv);
    ASSERT_EQ(desktop_->started.size(), 2u);
    EXPECT_EQ(desktop_->started[0].first, QCoreApplication::applicationFilePath());
    EXPECT_TRUE(desktop_->started[0].second.isEmpty());
    EXPECT_EQ(desktop_->started[1].second, QStringList{"--first"});
}

TEST_F(ContextTest, MissingPixmapIsNullAndCached)
{
    EXPECT_TRUE(context_.get_pixmap(L"no-such-icon.png").isNull());
    EXPECT_TRUE(context_.get_pixmap(L"no-such-icon.png").isNull());
    EXPECT_FALSE(context_.get_pixmap(L"main_icon.png").isNull());
}

TEST_F(ContextTest, StyleSheetStandsForTheDataFolder)
{
    app::set_application_folders(app::path_to_wide(dir_), L"");
    qApp->setStyleSheet("");
    const QPalette standard = QApplication::palette();
    context_.loadStyleSheet(); // missing file: Qt's default style stays
    EXPECT_EQ(qApp->styleSheet(), "");
    EXPECT_EQ(QApplication::palette(), standard);

    std::ofstream(dir_ / "dark-theme.txt")
        << "A { image: url(_DATA_PATH_/a.png); }\nB { image: url(_DATA_PATH_/b.png); }";
    context_.loadStyleSheet();
    const QString d = QString::fromStdString(dir_.string());
    EXPECT_EQ(qApp->styleSheet(), "A { image: url(" + d + "/a.png); }\nB { image: url(" + d + "/b.png); }");

    std::ofstream(dir_ / "dark-theme.txt") << "C { color: red; }";
    context_.loadStyleSheet();
    EXPECT_EQ(qApp->styleSheet(), "C { color: red; }");
    // The dark theme comes with a dark palette: light text on a dark window.
    const QPalette dark;
    EXPECT_GT(dark.color(QPalette::WindowText).lightness(), dark.color(QPalette::Window).lightness());
    EXPECT_GT(dark.color(QPalette::Text).lightness(), dark.color(QPalette::Base).lightness());
    qApp->setStyleSheet("");
    QApplication::setPalette(standard);
}

TEST(MainView, LanguageSelectionClosesAndEndsTheLoopWithMinusOne)
{
    app::QtMainView view(10, 20, 640, 480);
    EXPECT_EQ(view.pos(), QPoint(10, 20));
    EXPECT_EQ(view.size(), QSize(640, 480));
    EXPECT_TRUE(view.windowFlags() & Qt::FramelessWindowHint);

    std::vector<std::wstring> codes;
    int closing = 0;
    view.languageSelected.push_back([&](app::IViewBase* sender, std::wstring code) {
        EXPECT_EQ(sender, &view);
        codes.push_back(code);
    });
    view.closing.push_back([&](app::IViewBase*) { ++closing; });
    view.show();
    QTimer::singleShot(0, &view, [&] { view.selectLanguage(L"German"); });
    EXPECT_EQ(QApplication::exec(), -1);
    EXPECT_EQ(codes, std::vector<std::wstring>{L"de-DE"});
    EXPECT_EQ(closing, 1);
    EXPECT_FALSE(view.isVisible());

    view.show();
    QTimer::singleShot(0, &view, [&] { view.selectLanguage(L"Klingon"); });
    EXPECT_EQ(QApplication::exec(), -1);
    EXPECT_EQ(codes.back(), L"");
}

TEST(MainView, LoadedIsRaisedOnceAfterTheFirstShow)
{
    app::QtMainView view(0, 0, 300, 200);
    int loaded = 0, ticks = 0;
    view.loaded.push_back([&](app::IViewBase*) { ++loaded; });
    view.tick.push_back([&](app::IViewBase*) {
        if (++ticks == 3)
            QCoreApplication::exit(0);
    });
    view.show();
    EXPECT_EQ(loaded, 0);
    QApplication::exec();
    view.hide();
    view.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(loaded, 1);
    EXPECT_GE(ticks, 3);
}
