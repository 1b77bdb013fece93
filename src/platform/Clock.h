#pragma once

#include <QDateTime>
#include <optional>

// The date and time the program sees. It follows the system clock unless a test
// has set it.
class Clock {
public:
    QDateTime now() const;
    void set(const QDateTime& fixed) { fixedTime = fixed; }

private:
    std::optional<QDateTime> fixedTime;
};
