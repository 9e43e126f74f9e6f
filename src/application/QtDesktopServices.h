#pragma once

#include "application/IDesktopServices.h"

namespace application {

// Qt's own dialogs (never the native ones), QDesktopServices and QProcess.
class QtDesktopServices : public IDesktopServices {
public:
    QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter, QString* selectedFilter) override;
    QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                            const QString& filter, QString* selectedFilter,
                            QFileDialog::Options options) override;
    QString getExistingDirectory(QWidget* parent, const QString& caption, const QString& directory) override;
    QString getText(QWidget* parent, const QString& title, const QString& label, bool* ok) override;
    bool confirmOverwrite(QWidget* parent, const QString& path) override;
    void openUrl(const QUrl& url) override;
    bool startDetached(const QString& program, const QStringList& arguments) override;
};

} // namespace application
