#pragma once
#include <QString>
#include <stdexcept>

// Every failing engine operation throws this, carrying the database's own message text.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};
