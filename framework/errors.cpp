#include "contracts/host_framework.h"

Exception::Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

EAlreadyShown::EAlreadyShown(QString message)
    : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

void Abort() {
    throw EAbort();
}
