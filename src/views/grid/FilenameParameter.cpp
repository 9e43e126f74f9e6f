#include "views/grid/FilenameParameter.h"
#include "views/grid/RowLayout.h"

#include "app/Localization.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace app::QtView {

FilenameParameter::FilenameParameter(std::wstring path, QWidget* parent)
    : PropertyGridParameterBase<QWidget>(parent), text_(std::move(path))
{
    pathField_ = new QLineEdit(QString::fromStdWString(text_), this);
    pathField_->setReadOnly(true);
    pathField_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(pathField_, &QLineEdit::textChanged, this, [this](const QString& text) {
        guardedCall("FilenameParameter::onTextChanged()", [&] {
            text_ = text.toStdWString();
            raise_event(eventTextChanged, nullptr, text_);
        });
    });
    browseButton_ =
        new QPushButton(QString::fromStdWString(Localization::getString("Messages/Browse")), this);
    browseButton_->setMinimumWidth(75);
    browseButton_->setMaximumHeight(24);
    connect(browseButton_, &QPushButton::clicked, this, [this] {
        guardedCall("FilenameParameter::onBrowse()", [this] { raise_event(eventBrowse, nullptr); });
    });
    makeRowLayout(this, {{pathField_, 1}, {browseButton_, 0}});
    installEventFilters();
}

void FilenameParameter::setText(const std::wstring& path)
{
    text_ = path;
    const QSignalBlocker blocker(pathField_);
    pathField_->setText(QString::fromStdWString(path));
}

} // namespace app::QtView
