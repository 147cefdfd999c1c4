#include "server/db/schema.h"

#include "contracts/host_framework.h"
#include "server/db/database.h"

#include <span>

namespace server {
namespace {

constexpr int kSchemaVersion = 4;

// The schema, written once for every back end. Each back end reads these tokens its own way
// (backend.h, render):
//   $DATE(C)        a day (ISO text checked as a date, or a date)
//   $MOMENT         a moment in UTC (ISO text, or a time stamp with zone)
//   $REAL           a double-precision amount
//   $DIGITS(C)      a condition: C holds digits only
//   $SERIAL         an ever-growing integer key
// and whole statements of one back end's own:
//   $APPEND_ONLY T  T takes new rows only
//   $SUITE_FUNCTIONS  the functions the suite's queries call on that database
//   $WORK_NUMBERS   where work numbers come from
//
// Codes are text of fixed meaning: branch 4, client up to 21, service up to 5, invoice
// grouping number ("NF") empty or 001..099, apportionment sequence 0001..9999.
const char* const kTables[] = {
    R"(CREATE TABLE FILIAL (
        CDFILIAL TEXT PRIMARY KEY CHECK (length(CDFILIAL) = 4),
        NMFILIAL TEXT NOT NULL,
        DTPROC   $DATE(DTPROC) NOT NULL
    ))",
    R"(CREATE TABLE CLIENTE (
        CDCLIENTE    TEXT PRIMARY KEY CHECK (length(CDCLIENTE) BETWEEN 1 AND 21),
        IDTPIJURCLIE TEXT NOT NULL CHECK (IDTPIJURCLIE IN ('J', 'F')),
        NRINSJURCLIE TEXT NOT NULL CHECK (length(NRINSJURCLIE) BETWEEN 1 AND 20
                                          AND $DIGITS(NRINSJURCLIE)),
        NMRAZSOCCLIE TEXT NOT NULL CHECK (length(NMRAZSOCCLIE) <= 50),
        NMFANTCLIE   TEXT NOT NULL DEFAULT '' CHECK (length(NMFANTCLIE) <= 50),
        IDATIVO      TEXT NOT NULL DEFAULT 'S' CHECK (IDATIVO IN ('S', 'N'))
    ))",
    "CREATE INDEX CLIENTE_INSCRICAO ON CLIENTE (NRINSJURCLIE)",
    R"(CREATE TABLE SERVFILI (
        CDFILIAL   TEXT NOT NULL REFERENCES FILIAL,
        CDSERVFILI TEXT NOT NULL CHECK (length(CDSERVFILI) BETWEEN 1 AND 5),
        NMSERVICO  TEXT NOT NULL CHECK (length(NMSERVICO) <= 40),
        CDPRODUTO  TEXT NOT NULL CHECK (length(CDPRODUTO) BETWEEN 1 AND 10),
        PRIMARY KEY (CDFILIAL, CDSERVFILI)
    ))",
    R"(CREATE TABLE SERVCLIE (
        CDFILIAL   TEXT NOT NULL,
        CDCLIENTE  TEXT NOT NULL REFERENCES CLIENTE,
        CDSERVFILI TEXT NOT NULL,
        NRAGRUEFET TEXT NOT NULL DEFAULT '' CHECK (NRAGRUEFET = '' OR
                   (length(NRAGRUEFET) = 3 AND $DIGITS(NRAGRUEFET)
                    AND NRAGRUEFET BETWEEN '001' AND '099')),
        VRPRECEFET $REAL NOT NULL CHECK (VRPRECEFET >= 0),
        PRIMARY KEY (CDFILIAL, CDCLIENTE, CDSERVFILI),
        FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVFILI
    ))",
    R"(CREATE TABLE CTRLAPURFAT (
        CDFILIAL    TEXT NOT NULL REFERENCES FILIAL,
        NRAPURACFAT TEXT NOT NULL CHECK (length(NRAPURACFAT) BETWEEN 1 AND 10),
        CDCLIENTE   TEXT NOT NULL REFERENCES CLIENTE,
        DTINIAPURAC $DATE(DTINIAPURAC) NOT NULL,
        DTFIMAPURAC $DATE(DTFIMAPURAC) NOT NULL CHECK (DTFIMAPURAC >= DTINIAPURAC),
        IDBLOQUEADO TEXT NOT NULL DEFAULT 'N' CHECK (IDBLOQUEADO IN ('S', 'N')),
        DTCALCULO   $MOMENT NOT NULL,
        CDFILIPROC  TEXT NOT NULL REFERENCES FILIAL,
        PRIMARY KEY (CDFILIAL, NRAPURACFAT)
    ))",
    "CREATE INDEX CTRLAPURFAT_CLIENTE ON CTRLAPURFAT (CDFILIAL, CDCLIENTE, DTINIAPURAC)",
    R"(CREATE TABLE EFETCDRS (
        CDFILIAL    TEXT NOT NULL,
        CDCLIENTE   TEXT NOT NULL,
        CDSERVFILI  TEXT NOT NULL,
        DTEFETCDRS  $DATE(DTEFETCDRS) NOT NULL,
        QTCOMECDRS  $REAL NOT NULL CHECK (QTCOMECDRS >= 0),
        QTPREVCDRS  $REAL NOT NULL DEFAULT 0,
        NRAGRUEFET  TEXT NOT NULL DEFAULT '' CHECK (NRAGRUEFET = '' OR
                    (length(NRAGRUEFET) = 3 AND $DIGITS(NRAGRUEFET)
                     AND NRAGRUEFET BETWEEN '001' AND '099')),
        VRPRECEFET  $REAL NOT NULL CHECK (VRPRECEFET >= 0),
        CDPRODUTO   TEXT NOT NULL,
        NRAPURACFAT TEXT,
        PRIMARY KEY (CDFILIAL, CDCLIENTE, CDSERVFILI, DTEFETCDRS),
        FOREIGN KEY (CDFILIAL, CDCLIENTE, CDSERVFILI) REFERENCES SERVCLIE,
        FOREIGN KEY (CDFILIAL, NRAPURACFAT) REFERENCES CTRLAPURFAT
    ))",
    "CREATE INDEX EFETCDRS_DIA ON EFETCDRS (CDFILIAL, CDCLIENTE, DTEFETCDRS)",
    "CREATE INDEX EFETCDRS_APURACAO ON EFETCDRS (CDFILIAL, NRAPURACFAT)",
    R"(CREATE TABLE EFETRATCDRS (
        CDFILIAL   TEXT NOT NULL,
        CDCLIENTE  TEXT NOT NULL,
        CDSERVFILI TEXT NOT NULL,
        DTRATCDRS  $DATE(DTRATCDRS) NOT NULL,
        NRSEQITRAT TEXT NOT NULL CHECK (length(NRSEQITRAT) = 4 AND $DIGITS(NRSEQITRAT)
                                        AND NRSEQITRAT <> '0000'),
        QTDERATEIO $REAL NOT NULL CHECK (QTDERATEIO > 0),
        CDPRODUTO  TEXT NOT NULL,
        NRAGREFRAT TEXT NOT NULL DEFAULT '' CHECK (NRAGREFRAT = '' OR
                   (length(NRAGREFRAT) = 3 AND $DIGITS(NRAGREFRAT)
                    AND NRAGREFRAT BETWEEN '001' AND '099')),
        DSOBSRATE  TEXT NOT NULL DEFAULT '' CHECK (length(DSOBSRATE) <= 100),
        VRPRECRATE $REAL NOT NULL CHECK (VRPRECRATE >= 0),
        PRIMARY KEY (CDFILIAL, CDCLIENTE, CDSERVFILI, DTRATCDRS, NRSEQITRAT),
        FOREIGN KEY (CDFILIAL, CDCLIENTE, CDSERVFILI, DTRATCDRS) REFERENCES EFETCDRS
    ))",
    R"(CREATE TABLE ITAPURFAT (
        CDFILIAL    TEXT NOT NULL,
        NRAPURACFAT TEXT NOT NULL,
        NRAGRUEFET  TEXT NOT NULL,
        CDSERVFILI  TEXT NOT NULL,
        CDPRODUTO   TEXT NOT NULL,
        VRPRECO     $REAL NOT NULL,
        QTFATURADA  $REAL NOT NULL,
        VRFATURADO  $REAL NOT NULL,
        PRIMARY KEY (CDFILIAL, NRAPURACFAT, NRAGRUEFET, CDSERVFILI, CDPRODUTO, VRPRECO),
        FOREIGN KEY (CDFILIAL, NRAPURACFAT) REFERENCES CTRLAPURFAT ON DELETE CASCADE
    ))",
    // The services a screen listed, under the screen's work number, until it closes.
    R"(CREATE TABLE RELAPURFAT (
        CDFILIAL      TEXT NOT NULL,
        NRRELAPURFAT  TEXT NOT NULL,
        CDCLIENTE     TEXT NOT NULL,
        CDSERVFILI    TEXT NOT NULL,
        NMSERVICO     TEXT NOT NULL,
        NRAGRUEFET    TEXT NOT NULL,
        DTINIAPURAC   $DATE(DTINIAPURAC) NOT NULL,
        DTFIMAPURAC   $DATE(DTFIMAPURAC) NOT NULL,
        PRIMARY KEY (CDFILIAL, NRRELAPURFAT, CDCLIENTE, CDSERVFILI)
    ))",
    // Per-branch counters: calculation numbers (APURACFAT), and on a back end without
    // sequences work numbers (RELAPURFAT).
    R"(CREATE TABLE NUMERADOR (
        CDFILIAL TEXT NOT NULL REFERENCES FILIAL,
        NMSERIE  TEXT NOT NULL,
        NRULTIMO INTEGER NOT NULL,
        PRIMARY KEY (CDFILIAL, NMSERIE)
    ))",
    "$WORK_NUMBERS",
    "$SUITE_FUNCTIONS",
};

// Version 2: the users who may log in, the branches each may work on, and the audit trail
// of every write. A version 1 file gets them when a server of this version opens it.
const char* const kAccessTables[] = {
    R"(CREATE TABLE USUARIO (
        NMLOGIN       TEXT PRIMARY KEY CHECK (length(NMLOGIN) BETWEEN 1 AND 40),
        DSHASHSENHA   TEXT NOT NULL,
        CDFILIPROC    TEXT NOT NULL REFERENCES FILIAL,
        CDFILIFAT     TEXT REFERENCES FILIAL,
        IDMODUFILI    TEXT NOT NULL DEFAULT 'N' CHECK (IDMODUFILI IN ('S', 'N')),
        IDATIVO       TEXT NOT NULL DEFAULT 'S' CHECK (IDATIVO IN ('S', 'N')),
        NRVERSAOSENHA INTEGER NOT NULL DEFAULT 1
    ))",
    R"(CREATE TABLE USUFILIAL (
        NMLOGIN  TEXT NOT NULL REFERENCES USUARIO ON DELETE CASCADE,
        CDFILIAL TEXT NOT NULL REFERENCES FILIAL,
        PRIMARY KEY (NMLOGIN, CDFILIAL)
    ))",
    // Before and after are JSON: {"TABLE": [ {column: value, …} … ] …}, changed rows only.
    R"(CREATE TABLE AUDITORIA (
        NRAUDITORIA  $SERIAL,
        DTHRREGISTRO $MOMENT NOT NULL,
        NMLOGIN      TEXT NOT NULL,
        DSORIGEM     TEXT NOT NULL,
        NMMETODO     TEXT NOT NULL,
        CDFILIAL     TEXT NOT NULL,
        DSANTES      TEXT NOT NULL,
        DSDEPOIS     TEXT NOT NULL
    ))",
    "CREATE INDEX AUDITORIA_FILIAL ON AUDITORIA (CDFILIAL, DTHRREGISTRO)",
    // The trail is only ever added to.
    "$APPEND_ONLY AUDITORIA",
};

// Version 3: who obtained each work number, and the key of each write that must happen
// once with the outcome it answered (kept two days). Text only, so that every back end
// stores them alike; times are UTC ISO-8601 text, which sorts as it reads.
const char* const kOwnershipTables[] = {
    R"(CREATE TABLE RELAPURDONO (
        NRRELAPURFAT TEXT PRIMARY KEY,
        CDFILIAL     TEXT NOT NULL,
        NMLOGIN      TEXT NOT NULL,
        DSSESSAO     TEXT NOT NULL,
        DSORIGEM     TEXT NOT NULL,
        DTHRREGISTRO TEXT NOT NULL
    ))",
    R"(CREATE TABLE CHAVEGRAVACAO (
        DSCHAVE      TEXT PRIMARY KEY,
        NMLOGIN      TEXT NOT NULL,
        NMMETODO     TEXT NOT NULL,
        DSRESUMO     TEXT NOT NULL,
        DSRESULTADO  TEXT NOT NULL,
        DTHRREGISTRO TEXT NOT NULL
    ))",
    "CREATE INDEX CHAVEGRAVACAO_DATA ON CHAVEGRAVACAO (DTHRREGISTRO)",
};

// Version 4: the login attempts of the last quarter of an hour, counted for every server
// alike (login_throttle.h); the turn is in milliseconds of the database's clock.
const char* const kThrottleTables[] = {
    R"(CREATE TABLE TENTATIVALOGIN (
        NMLOGIN      TEXT PRIMARY KEY,
        QTTENTATIVAS INTEGER NOT NULL,
        NRVEZMS      BIGINT NOT NULL
    ))",
    "CREATE INDEX TENTATIVALOGIN_VEZ ON TENTATIVALOGIN (NRVEZMS)",
};

struct Step {
    int version;
    std::span<const char* const> statements;
};
const Step kSteps[] = {
    {1, kTables}, {2, kAccessTables}, {3, kOwnershipTables}, {4, kThrottleTables}};

// The version of this system's schema the database holds, 0 when it is empty; raises when
// it belongs to something else or to a version this server does not know.
int heldVersion(Database& db) {
    const int version = db.backend().heldVersion(db);
    if (version == Backend::kForeignSchema)
        throw EDatabaseError(
            QStringLiteral("O banco de dados %1 não é um banco de dados deste sistema.")
                .arg(db.name()));
    if (version < 0 || version > kSchemaVersion)
        throw EDatabaseError(QStringLiteral("O banco de dados %1 tem o esquema versão %2; "
                                            "este servidor usa a versão %3.")
                                 .arg(db.name())
                                 .arg(version)
                                 .arg(kSchemaVersion));
    return version;
}

// Keeps the other servers out of a schema change for as long as it lives.
class SchemaLock {
public:
    explicit SchemaLock(Database& db) : m_db(db) { m_db.backend().lockSchema(m_db, true); }
    ~SchemaLock() {
        try {
            m_db.backend().lockSchema(m_db, false);
        } catch (const std::exception&) {
            // A connection that failed has let go of its locks.
        }
    }
    SchemaLock(const SchemaLock&) = delete;
    SchemaLock& operator=(const SchemaLock&) = delete;

private:
    Database& m_db;
};

} // namespace

int prepareSchema(Database& db, bool create, int version) {
    const int held = heldVersion(db);
    if (held >= version)
        return held;
    if (held == 0 && !create)
        throw EDatabaseError(QStringLiteral("O banco de dados %1 está vazio; crie o esquema com "
                                            "--init ou --init-demo.")
                                 .arg(db.name()));
    // The lock before the transaction, so that the transaction sees what another server
    // did while this one waited.
    SchemaLock lock(db);
    Transaction tx(db);
    const int current = heldVersion(db);
    if (current >= version)
        return current;
    for (const Step& step : kSteps)
        if (step.version > current && step.version <= version)
            for (const char* statement : step.statements)
                for (const QString& sql : db.backend().render(QString::fromUtf8(statement)))
                    db.execOnce(sql);
    db.backend().recordVersion(db, version);
    tx.commit();
    return current;
}

int currentSchemaVersion() {
    return kSchemaVersion;
}

} // namespace server
