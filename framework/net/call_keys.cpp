#include "framework/net/call_keys.h"

#include "framework/net/write_key.h"

namespace {

// The calls a clerk can leave unanswered and still repeat: a few screens' pending saves.
constexpr qsizetype kPendingKept = 32;

} // namespace

CallKeys::Key CallKeys::keyFor(const QString& method, const QJsonArray& params) const {
    // Almost always nothing is pending, and then the call need not be digested.
    if (m_pending.isEmpty())
        return {writekey::generate(), {}};
    const QByteArray digest = writekey::callDigest(method, params);
    for (const Key& pending : m_pending)
        if (pending.digest == digest)
            return pending;
    return {writekey::generate(), digest};
}

void CallKeys::unanswered(Key& key, const QString& method, const QJsonArray& params) {
    if (key.digest.isEmpty())
        key.digest = writekey::callDigest(method, params);
    m_pending.removeIf([&](const Key& k) { return k.digest == key.digest; });
    m_pending.append(key);
    if (m_pending.size() > kPendingKept)
        m_pending.removeFirst();
}

void CallKeys::answered(const Key& key) {
    if (!key.digest.isEmpty())
        m_pending.removeIf([&](const Key& k) { return k.digest == key.digest; });
}
