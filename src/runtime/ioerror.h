#pragma once

#include <QString>

#include <stdexcept>

// A failed file statement: carries the error code and the message of that code.
class EInOutError : public std::runtime_error {
public:
    explicit EInOutError(int code);

    int Code() const { return m_code; }

private:
    int m_code;
};

// "File not found" for 2 and so on; "I/O error %d" for codes without a message of their own.
QString IoErrorMessage(int code);
