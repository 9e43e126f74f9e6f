#pragma once

#include <QFrame>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

class QFormLayout;
class QLabel;

// A titled form pane of the device selection dialog: a title bar over a form
// layout whose rows the owner adds and removes directly.
class FormGroupBox : public QFrame {
public:
    explicit FormGroupBox(const QString& title, QWidget* parent = nullptr);

    QFormLayout* form() const { return form_; }
    QLabel* titleLabel() const { return title_; }

    // Receives the text of a failure that escaped one of the pane's actions
    // (the dialog ends its modal run with it). Without a handler the failure
    // is only logged.
    void setFailureHandler(std::function<void(const std::string&)> handler);

protected:
    // Runs a button's action; a failure goes to the failure handler.
    void runAction(const char* where, const std::function<void()>& action);

private:
    friend void clear_form(FormGroupBox& pane);
    void retire(QWidget* widget);

    QFormLayout* form_;
    QLabel* title_;
    std::function<void(const std::string&)> failureHandler_;
    int actionDepth_ = 0;
    std::vector<QPointer<QWidget>> retired_;
};

// Takes every row out of the pane's form. The widgets go with deleteLater;
// while one of the pane's actions runs (its button's signal is still being
// delivered, and a message box may run a nested event loop in which a deferred
// deletion would already happen), they are only hidden and handed to
// deleteLater once the action has returned.
void clear_form(FormGroupBox& pane);
