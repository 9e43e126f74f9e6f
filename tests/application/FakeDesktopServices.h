#pragma once

#include "application/IDesktopServices.h"

#include <QUrl>
#include <vector>

namespace quorel::test {

// Dialog answers scripted by the test; every request is recorded.
class FakeDesktopServices : public application::IDesktopServices {
public:
    QString answer;              // what the dialog returns (empty: cancelled)
    QString answerFilter;        // the filter the user ends on (empty: keep the preselected one)
    bool answerOk = true;        // getText's OK
    bool allowOverwrite = false; // the answer to confirmOverwrite
    bool startResult = true;

    QString lastCaption, lastDirectory, lastFilter, lastPreselected;
    QFileDialog::Options lastSaveOptions;
    std::vector<QString> overwriteQuestions;
    std::vector<QUrl> openedUrls;
    std::vector<std::pair<QString, QStringList>> started;

    QString getOpenFileName(QWidget*, const QString& caption, const QString& directory, const QString& filter,
                            QString* selectedFilter) override
    {
        return fileDialog(caption, directory, filter, selectedFilter);
    }
    QString getSaveFileName(QWidget*, const QString& caption, const QString& directory, const QString& filter,
                            QString* selectedFilter, QFileDialog::Options options) override
    {
        lastSaveOptions = options;
        return fileDialog(caption, directory, filter, selectedFilter);
    }
    QString getExistingDirectory(QWidget*, const QString& caption, const QString& directory) override
    {
        lastCaption = caption;
        lastDirectory = directory;
        return answer;
    }
    QString getText(QWidget*, const QString& title, const QString&, bool* ok) override
    {
        lastCaption = title;
        *ok = answerOk;
        return answer;
    }
    bool confirmOverwrite(QWidget*, const QString& path) override
    {
        overwriteQuestions.push_back(path);
        return allowOverwrite;
    }
    void openUrl(const QUrl& url) override { openedUrls.push_back(url); }
    bool startDetached(const QString& program, const QStringList& arguments) override
    {
        started.emplace_back(program, arguments);
        return startResult;
    }

private:
    QString fileDialog(const QString& caption, const QString& directory, const QString& filter,
                       QString* selected)
    {
        lastCaption = caption;
        lastDirectory = directory;
        lastFilter = filter;
        lastPreselected = *selected;
        if (!answerFilter.isEmpty())
            *selected = answerFilter;
        return answer;
    }
};

} // namespace quorel::test
