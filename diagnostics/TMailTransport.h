#pragma once
// What an error report needs from a mail transport. Failures of connecting
// and sending are raised as EMailError.
#include "diagnostics/TMailMessage.h"

#include <QString>

#include <stdexcept>

class EMailError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TMailTransport {
public:
    virtual ~TMailTransport() = default;

    virtual void SetHost(const QString& AHost) = 0;
    virtual void SetPort(int APort) = 0;
    virtual void SetUserName(const QString& AUserName) = 0;
    virtual void SetPassword(const QString& APassword) = 0;

    virtual void Connect() = 0;
    virtual bool Connected() const = 0;
    virtual void Send(const TMailMessage& AMessage) = 0;
    // Never raises; does nothing when not connected.
    virtual void Disconnect() = 0;
};
