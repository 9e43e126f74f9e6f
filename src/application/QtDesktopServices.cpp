#include "application/QtDesktopServices.h"

#include "app/Localization.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace application {

QString QtDesktopServices::getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                                           const QString& filter, QString* selectedFilter)
{
    return QFileDialog::getOpenFileName(parent, caption, directory, filter, selectedFilter,
                                        QFileDialog::DontUseNativeDialog);
}

QString QtDesktopServices::getSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                                           const QString& filter, QString* selectedFilter,
                                           QFileDialog::Options options)
{
    return QFileDialog::getSaveFileName(parent, caption, directory, filter, selectedFilter,
                                        options | QFileDialog::DontUseNativeDialog);
}

QString QtDesktopServices::getExistingDirectory(QWidget* parent, const QString& caption,
                                                const QString& directory)
{
    return QFileDialog::getExistingDirectory(parent, caption, directory,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

QString QtDesktopServices::getText(QWidget* parent, const QString& title, const QString& label, bool* ok)
{
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, QString(), ok);
}

bool QtDesktopServices::confirmOverwrite(QWidget* parent, const QString& path)
{
    const QString title = QString::fromStdWString(Localization::getString("Messages/FileExistsTitle"));
    const QString text = QString::fromStdWString(Localization::getString("Messages/FileExists"))
                             .replace(QStringLiteral("{}"), QFileInfo(path).fileName());
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

void QtDesktopServices::openUrl(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

bool QtDesktopServices::startDetached(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

} // namespace application
