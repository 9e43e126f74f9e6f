#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

class QUrl;
class QWidget;

namespace application {

// The platform's dialogs and process services as the application context uses
// them. The program uses the Qt implementation; tests replace it.
class IDesktopServices {
public:
    virtual ~IDesktopServices() = default;

    // Each returns the empty string when the user cancelled. selectedFilter is
    // the preselected filter on entry (empty: none) and the user's choice on
    // return. The save dialog takes QFileDialog options (the dialogs are never
    // the platform's native ones).
    virtual QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                                    const QString& filter, QString* selectedFilter) = 0;
    virtual QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                                    const QString& filter, QString* selectedFilter,
                                    QFileDialog::Options options) = 0;
    virtual QString getExistingDirectory(QWidget* parent, const QString& caption,
                                         const QString& directory) = 0;
    virtual QString getText(QWidget* parent, const QString& title, const QString& label, bool* ok) = 0;
    // Asks whether an existing file may be replaced; true for yes.
    virtual bool confirmOverwrite(QWidget* parent, const QString& path) = 0;
    virtual void openUrl(const QUrl& url) = 0;
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
};

} // namespace application
