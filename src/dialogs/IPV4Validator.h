#pragma once

#include <QValidator>

// Accepts four dot-separated decimal numbers from 0 to 255 (at most three
// digits each). Anything else is Intermediate, never Invalid, so the user can
// type freely on the way to an address.
class IPV4Validator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override;
};
