#pragma once

// The keys a connection gives its calls. Every call gets a fresh key, except the repeat of
// a call whose answer never came: that one goes with the key of the attempt that went
// unanswered, so that the server, which may have run it, answers with the first outcome
// instead of running it again. A repeat is the same method with the same parameters, as
// a screen sends them when the clerk confirms the same pending rows again.

#include <QByteArray>
#include <QJsonArray>
#include <QList>
#include <QString>

class CallKeys {
public:
    struct Key {
        QString key;
        QByteArray digest; // of the call; computed only when it is needed
    };

    // The key for this call.
    Key keyFor(const QString& method, const QJsonArray& params) const;
    // The call went out (or may have) and no answer came: its repeat reuses the key.
    void unanswered(Key& key, const QString& method, const QJsonArray& params);
    // The server answered the call, whatever it said: its next repeat is a new call.
    void answered(const Key& key);

    qsizetype pendingCount() const { return m_pending.size(); }

private:
    QList<Key> m_pending;
};
