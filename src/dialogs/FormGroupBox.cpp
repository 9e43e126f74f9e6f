#include "dialogs/FormGroupBox.h"

#include "dialogs/CaughtFailure.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

FormGroupBox::FormGroupBox(const QString& title, QWidget* parent) : QFrame(parent)
{
    auto* outer = new QVBoxLayout;
    outer->setContentsMargins(0, 0, 0, 8);
    form_ = new QFormLayout;
    form_->setContentsMargins(7, 0, 7, 0);
    form_->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    title_ = new QLabel(title);
    title_->setStyleSheet(QStringLiteral("QLabel { margin: 0px; background-color: #252526; padding: 4px }"));
    outer->addWidget(title_);
    outer->addLayout(form_);
    setLayout(outer);
}

void FormGroupBox::setFailureHandler(std::function<void(const std::string&)> handler)
{
    failureHandler_ = std::move(handler);
}

void clear_form(FormGroupBox& pane)
{
    QFormLayout* form = pane.form();
    while (form->rowCount() > 0) {
        const QFormLayout::TakeRowResult row = form->takeRow(0);
        for (QLayoutItem* item : {row.labelItem, row.fieldItem}) {
            if (!item)
                continue;
            if (QWidget* widget = item->widget())
                pane.retire(widget);
            delete item;
        }
    }
}

void FormGroupBox::retire(QWidget* widget)
{
    widget->hide();
    if (actionDepth_ > 0)
        retired_.emplace_back(widget);
    else
        widget->deleteLater();
}

void FormGroupBox::runAction(const char* where, const std::function<void()>& action)
{
    ++actionDepth_;
    const auto failure = run_caught(where, action);
    if (--actionDepth_ == 0) {
        for (const QPointer<QWidget>& widget : retired_)
            if (widget)
                widget->deleteLater();
        retired_.clear();
    }
    if (failure && failureHandler_)
        failureHandler_(*failure);
}
