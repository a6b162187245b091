#pragma once

#include <QString>

// The result of an operation that may fail with a message for the user or the caller.
class Status {
public:
    static Status success() { return Status(); }
    static Status failure(const QString& message) { return Status(message); }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const QString& message() const { return m_message; }

private:
    Status() = default;
    explicit Status(const QString& message) : m_failed(true), m_message(message) {}

    bool m_failed = false;
    QString m_message;
};
