// The main window's status bar: the selected camera's texts, frame rates,
// picked point and colour, and the values of a parameter container. Numbers
// are formatted without the locale.

#include "views/QtMainView.h"

#include "app/Parameter.h"
#include "app/ParameterContainer.h"

#include <QLabel>
#include <QStatusBar>
#include <fmt/format.h>

namespace app {

namespace {

QString q(const std::wstring& text)
{
    return QString::fromStdWString(text);
}
QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

// The text of a parameter's label, or false for a kind the status bar does
// not show (list, colour).
bool parameter_text(const helper::Parameter& parameter, QString& text)
{
    const QString prefix = q(parameter.name()) + QStringLiteral(": ");
    switch (parameter.kind()) {
    case helper::ParameterKind::INT:
        text = prefix + q(std::to_string(static_cast<const helper::IntParameter&>(parameter).value()));
        return true;
    case helper::ParameterKind::FLOAT:
        text =
            prefix + q(fmt::format("{:.6f}", static_cast<const helper::floatParameter&>(parameter).value()));
        return true;
    case helper::ParameterKind::BOOL:
        text = prefix + (static_cast<const helper::boolParameter&>(parameter).value() ? "1" : "0");
        return true;
    case helper::ParameterKind::STRING:
        text = prefix + q(static_cast<const helper::stringParameter&>(parameter).value());
        return true;
    default:
        return false;
    }
}

} // namespace

void QtMainView::buildStatusBar()
{
    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("statusBar"));
    statusBar_->setSizeGripEnabled(false);
    setStatusBar(statusBar_);

    text1Label_ = new QLabel(statusBar_);
    text1Label_->setObjectName(QStringLiteral("statusText1"));
    text1Label_->setStyleSheet(QStringLiteral("QLabel {padding-left: 0px;}"));
    text2Label_ = new QLabel(statusBar_);
    text2Label_->setObjectName(QStringLiteral("statusText2"));
    framerateLabel_ = new QLabel(statusBar_);
    framerateLabel_->setObjectName(QStringLiteral("statusFramerate"));
    statusBar_->addWidget(text1Label_);
    statusBar_->addWidget(text2Label_);
    statusBar_->addWidget(framerateLabel_);

    pointLabel_ = new QLabel(QStringLiteral("xy = (102,236)"), statusBar_);
    pointLabel_->setObjectName(QStringLiteral("statusPoint"));
    colorLabel_ = new QLabel(QStringLiteral("R = (64, 64,64)"), statusBar_);
    colorLabel_->setObjectName(QStringLiteral("statusColor"));
    colorLabel_->setFixedWidth(175);
    colorLabel_->setStyleSheet(QStringLiteral("QLabel { text-align: right;}"));
    statusBar_->addPermanentWidget(pointLabel_);
    statusBar_->addPermanentWidget(colorLabel_);
}

void QtMainView::updateStatusBar(const StatusBarInfo& info)
{
    if (info.firstText.empty()) {
        for (QLabel* label : {text1Label_, text2Label_, framerateLabel_, pointLabel_, colorLabel_})
            label->clear();
        return;
    }
    text1Label_->setText(q(info.firstText));
    text2Label_->setText(q(info.secondText));
    framerateLabel_->setText(q(fmt::format("{:.2f}/{:.2f} FPS", info.measuredFramerate, info.framerate)));
    pointLabel_->setText(q(fmt::format(" X,Y = ({},{})", info.pickedPoint.x, info.pickedPoint.y)));
    colorLabel_->setText(q(fmt::format(" RGB = ({},{},{})", info.red, info.green, info.blue)));
}

void QtMainView::showStatusParameters(const helper::ParameterContainer& container)
{
    const std::vector<std::shared_ptr<helper::Parameter>> parameters = container.parameters();
    if (parameters.size() != parameterLabels_.size()) {
        for (QLabel* label : parameterLabels_) {
            statusBar_->removeWidget(label);
            delete label;
        }
        parameterLabels_.clear();
        for (size_t i = 0; i < parameters.size(); ++i) {
            auto* label = new QLabel();
            label->setObjectName(QStringLiteral("statusParameter"));
            statusBar_->addWidget(label, 0);
            label->show();
            parameterLabels_.push_back(label);
        }
    }
    size_t index = 0;
    for (const auto& parameter : parameters) {
        QString text;
        if (parameter && parameter_text(*parameter, text))
            parameterLabels_[index++]->setText(text);
    }
    // One label is left over for every parameter of a kind not shown: it must
    // not keep an earlier container's value as if it were current.
    for (; index < parameterLabels_.size(); ++index)
        parameterLabels_[index]->clear();
}

} // namespace app
