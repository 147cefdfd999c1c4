#include "server/db/schema.h"

#include "contracts/host_framework.h"
#include "server/db/database.h"

namespace server {
namespace {

// Marks the file as ours (PRAGMA application_id, "APFT") so that a stray SQLite file is
// refused instead of being filled with tables.
constexpr int kApplicationId = 0x41504654;
constexpr int kSchemaVersion = 3;

// Codes are text of fixed meaning: branch 4, client up to 21, service up to 5, invoice
// grouping number ("NF") empty or 001..099, apportionment sequence 0001..9999. Dates are
// ISO text, amounts REAL.
const char* const kTables[] = {
    R"(CREATE TABLE FILIAL (
        CDFILIAL TEXT PRIMARY KEY CHECK (length(CDFILIAL) = 4),
        NMFILIAL TEXT NOT NULL,
        DTPROC   TEXT NOT NULL CHECK (date(DTPROC) = DTPROC)
    ))",
    R"(CREATE TABLE CLIENTE (
        CDCLIENTE    TEXT PRIMARY KEY CHECK (length(CDCLIENTE) BETWEEN 1 AND 21),
        IDTPIJURCLIE TEXT NOT NULL CHECK (IDTPIJURCLIE IN ('J', 'F')),
        NRINSJURCLIE TEXT NOT NULL CHECK (length(NRINSJURCLIE) BETWEEN 1 AND 20
                                          AND NRINSJURCLIE NOT GLOB '*[^0-9]*'),
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
                   (NRAGRUEFET GLOB '[0-9][0-9][0-9]' AND NRAGRUEFET BETWEEN '001' AND '099')),
        VRPRECEFET REAL NOT NULL CHECK (VRPRECEFET >= 0),
        PRIMARY KEY (CDFILIAL, CDCLIENTE, CDSERVFILI),
        FOREIGN KEY (CDFILIAL, CDSERVFILI) REFERENCES SERVFILI
    ))",
    R"(CREATE TABLE CTRLAPURFAT (
        CDFILIAL    TEXT NOT NULL REFERENCES FILIAL,
        NRAPURACFAT TEXT NOT NULL CHECK (length(NRAPURACFAT) BETWEEN 1 AND 10),
        CDCLIENTE   TEXT NOT NULL REFERENCES CLIENTE,
        DTINIAPURAC TEXT NOT NULL CHECK (date(DTINIAPURAC) = DTINIAPURAC),
        DTFIMAPURAC TEXT NOT NULL CHECK (date(DTFIMAPURAC) = DTFIMAPURAC
                                         AND DTFIMAPURAC >= DTINIAPURAC),
        IDBLOQUEADO TEXT NOT NULL DEFAULT 'N' CHECK (IDBLOQUEADO IN ('S', 'N')),
        DTCALCULO   TEXT NOT NULL,
        CDFILIPROC  TEXT NOT NULL REFERENCES FILIAL,
        PRIMARY KEY (CDFILIAL, NRAPURACFAT)
    ))",
    "CREATE INDEX CTRLAPURFAT_CLIENTE ON CTRLAPURFAT (CDFILIAL, CDCLIENTE, DTINIAPURAC)",
    R"(CREATE TABLE EFETCDRS (
        CDFILIAL    TEXT NOT NULL,
        CDCLIENTE   TEXT NOT NULL,
        CDSERVFILI  TEXT NOT NULL,
        DTEFETCDRS  TEXT NOT NULL CHECK (date(DTEFETCDRS) = DTEFETCDRS),
        QTCOMECDRS  REAL NOT NULL CHECK (QTCOMECDRS >= 0),
        QTPREVCDRS  REAL NOT NULL DEFAULT 0,
        NRAGRUEFET  TEXT NOT NULL DEFAULT '' CHECK (NRAGRUEFET = '' OR
                    (NRAGRUEFET GLOB '[0-9][0-9][0-9]' AND NRAGRUEFET BETWEEN '001' AND '099')),
        VRPRECEFET  REAL NOT NULL CHECK (VRPRECEFET >= 0),
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
        DTRATCDRS  TEXT NOT NULL,
        NRSEQITRAT TEXT NOT NULL CHECK (NRSEQITRAT GLOB '[0-9][0-9][0-9][0-9]'
                                        AND NRSEQITRAT <> '0000'),
        QTDERATEIO REAL NOT NULL CHECK (QTDERATEIO > 0),
        CDPRODUTO  TEXT NOT NULL,
        NRAGREFRAT TEXT NOT NULL DEFAULT '' CHECK (NRAGREFRAT = '' OR
                   (NRAGREFRAT GLOB '[0-9][0-9][0-9]' AND NRAGREFRAT BETWEEN '001' AND '099')),
        DSOBSRATE  TEXT NOT NULL DEFAULT '' CHECK (length(DSOBSRATE) <= 100),
        VRPRECRATE REAL NOT NULL CHECK (VRPRECRATE >= 0),
        PRIMARY KEY (CDFILIAL, CDCLIENTE, CDSERVFILI, DTRATCDRS, NRSEQITRAT),
        FOREIGN KEY (CDFILIAL, CDCLIENTE, CDSERVFILI, DTRATCDRS) REFERENCES EFETCDRS
    ))",
    R"(CREATE TABLE ITAPURFAT (
        CDFILIAL    TEXT NOT NULL,
        NRAPURACFAT TEXT NOT NULL,
        NRAGRUEFET  TEXT NOT NULL,
        CDSERVFILI  TEXT NOT NULL,
        CDPRODUTO   TEXT NOT NULL,
        VRPRECO     REAL NOT NULL,
        QTFATURADA  REAL NOT NULL,
        VRFATURADO  REAL NOT NULL,
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
        DTINIAPURAC   TEXT NOT NULL,
        DTFIMAPURAC   TEXT NOT NULL,
        PRIMARY KEY (CDFILIAL, NRRELAPURFAT, CDCLIENTE, CDSERVFILI)
    ))",
    // Per-branch counters: work numbers (RELAPURFAT) and calculation numbers (APURACFAT).
    R"(CREATE TABLE NUMERADOR (
        CDFILIAL TEXT NOT NULL REFERENCES FILIAL,
        NMSERIE  TEXT NOT NULL,
        NRULTIMO INTEGER NOT NULL,
        PRIMARY KEY (CDFILIAL, NMSERIE)
    ))",
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
        NRAUDITORIA  INTEGER PRIMARY KEY AUTOINCREMENT,
        DTHRREGISTRO TEXT NOT NULL,
        NMLOGIN      TEXT NOT NULL,
        DSORIGEM     TEXT NOT NULL,
        NMMETODO     TEXT NOT NULL,
        CDFILIAL     TEXT NOT NULL,
        DSANTES      TEXT NOT NULL,
        DSDEPOIS     TEXT NOT NULL
    ))",
    "CREATE INDEX AUDITORIA_FILIAL ON AUDITORIA (CDFILIAL, DTHRREGISTRO)",
    // The trail is only ever added to.
    R"(CREATE TRIGGER AUDITORIA_SEM_ALTERACAO BEFORE UPDATE ON AUDITORIA
        BEGIN SELECT RAISE(ABORT, 'a auditoria não pode ser alterada'); END)",
    R"(CREATE TRIGGER AUDITORIA_SEM_EXCLUSAO BEFORE DELETE ON AUDITORIA
        BEGIN SELECT RAISE(ABORT, 'a auditoria não pode ser apagada'); END)",
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

int pragmaValue(Database& db, const char* pragma) {
    return db.scalar(QStringLiteral("PRAGMA %1").arg(QLatin1String(pragma))).toInt();
}

// The version of this system's schema the file holds, 0 when it is empty; raises when it
// belongs to something else or to a version this server does not know.
int heldVersion(Database& db) {
    const int applicationId = pragmaValue(db, "application_id");
    if (applicationId == kApplicationId) {
        const int version = pragmaValue(db, "user_version");
        if (version < 1 || version > kSchemaVersion)
            throw EDatabaseError(QStringLiteral("O banco de dados %1 tem o esquema versão %2; "
                                                "este servidor usa a versão %3.")
                                     .arg(db.path())
                                     .arg(version)
                                     .arg(kSchemaVersion));
        return version;
    }
    const int tables =
        db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table'"))
            .toInt();
    if (tables > 0 || applicationId != 0)
        throw EDatabaseError(
            QStringLiteral("O arquivo %1 não é um banco de dados deste sistema.").arg(db.path()));
    return 0;
}

} // namespace

void prepareSchema(Database& db, bool create) {
    const int version = heldVersion(db);
    if (version == kSchemaVersion)
        return;
    if (version == 0 && !create)
        throw EDatabaseError(QStringLiteral("O banco de dados %1 está vazio; crie-o com "
                                            "--init-demo.")
                                 .arg(db.path()));
    Transaction tx(db);
    // Another connection may have done it while this one waited for the write lock.
    const int current = heldVersion(db);
    if (current == kSchemaVersion)
        return;
    if (current == 0) {
        for (const char* sql : kTables)
            db.execOnce(QString::fromUtf8(sql));
        db.execOnce(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
    }
    if (current < 2)
        for (const char* sql : kAccessTables)
            db.execOnce(QString::fromUtf8(sql));
    for (const char* sql : kOwnershipTables)
        db.execOnce(QString::fromUtf8(sql));
    db.execOnce(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    tx.commit();
}

} // namespace server
