// The main window's two modal message boxes: OK, and a Yes/No question.

#include "views/QtMainView.h"

#include <QMessageBox>
#include <QPushButton>

namespace app {

void QtMainView::showMessageBox(const std::wstring& title, const std::wstring& text,
                                std::shared_ptr<IMainView> keepAlive, std::function<void()> onClosed)
{
    {
        QMessageBox box;
        box.setWindowTitle(QString::fromStdWString(title));
        box.setText(QString::fromStdWString(text));
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
    }
    if (onClosed)
        onClosed();
    keepAlive.reset();
}

bool QtMainView::showMessageBoxYesNo(const std::wstring& title, const std::wstring& text)
{
    QMessageBox box;
    box.setWindowTitle(QString::fromStdWString(title));
    box.setText(QString::fromStdWString(text));
    box.setIcon(QMessageBox::Information);
    box.setStandardButtons(QMessageBox::Yes);
    QPushButton* no = box.addButton(QMessageBox::No);
    box.setDefaultButton(no);
    // The window's close button and Escape answer No.
    box.setEscapeButton(no);
    return box.exec() == QMessageBox::Yes;
}

} // namespace app
