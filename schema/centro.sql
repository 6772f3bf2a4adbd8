-- Centre database, embedded (SQLite) edition.
--
-- The same tables, columns and views as the centre's SQL Server database, as far as the
-- access server reads and writes them. Conventions the engine relies on:
--   * texts are declared COLLATE TSQL (case-insensitive, trailing blanks ignored);
--   * booleans are BIT NOT NULL DEFAULT 0 and hold -1 (true) or 0 (false);
--   * dates, date/times and times of day are DATETIME, stored as 'YYYY-MM-DD HH:MM:SS'
--     (times of day on 1900-01-01);
--   * work tables wTmp_X are written through the view wTmp_X_SQL.

-- =====================================================================================
-- Tabella_: lookups
-- =====================================================================================

-- Fixed fees (membership, insurance, medical certificate, ...) by type 1 to 6.
CREATE TABLE Tabella_ScadenzeFisse (
    Tipo_Scadenza INTEGER PRIMARY KEY,
    Scadenza      VARCHAR(50) COLLATE TSQL,
    Gestisci      BIT NOT NULL DEFAULT 0,
    Importo       MONEY,
    Pagamento     INTEGER,
    Cd_Iva        VARCHAR(10) COLLATE TSQL,
    Durata_Std    INTEGER
);

-- =====================================================================================
-- Dettaglio_: configuration details
-- =====================================================================================

-- One row per access terminal: address, model, relays and what the terminal serves.
CREATE TABLE Dettaglio_Terminali (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Indirizzo           INTEGER NOT NULL UNIQUE,
    Descrizione         VARCHAR(50) COLLATE TSQL,
    Attivo              BIT NOT NULL DEFAULT 0,
    Indirizzo_IP        VARCHAR(50) COLLATE TSQL,
    Tipo                INTEGER NOT NULL DEFAULT 1,
    Uscita              BIT NOT NULL DEFAULT 0,
    Personale           BIT NOT NULL DEFAULT 0,
    Stop                INTEGER NOT NULL DEFAULT 0,
    Vai                 INTEGER NOT NULL DEFAULT 0,
    TempoStop           INTEGER NOT NULL DEFAULT 0,
    TempoVai            INTEGER NOT NULL DEFAULT 0,
    NReleStop           INTEGER NOT NULL DEFAULT 1,
    NReleVai            INTEGER NOT NULL DEFAULT 1,
    Attivato_Operatore  BIT NOT NULL DEFAULT 0,
    Blocco_Tastiera     BIT NOT NULL DEFAULT 0,
    Codice_Struttura    INTEGER
);

-- =====================================================================================
-- wCab_: fixed code tables
-- =====================================================================================

-- Label formats and the report that prints each.
CREATE TABLE wCab_FormatoEtichette (
    Codice      INTEGER PRIMARY KEY,
    Descrizione VARCHAR(50) COLLATE TSQL,
    NomeReport  VARCHAR(100) COLLATE TSQL
);

-- =====================================================================================
-- Other tables
-- =====================================================================================

-- Terminal state rows (one per terminal), queued outgoing messages, injected inbound
-- messages (Stato 500) and the marker row (Indirizzo 0).
CREATE TABLE Stato_Terminali (
    ID               INTEGER PRIMARY KEY AUTOINCREMENT,
    Indirizzo        INTEGER NOT NULL DEFAULT 0,
    Messaggio        TEXT COLLATE TSQL,
    Ora_Invio        DATETIME,
    Inviato          INTEGER,
    ID_Prenotazione  INTEGER,
    Cd_SubStruttura  INTEGER,
    Stato            INTEGER,
    Tipo             INTEGER,
    Importo          MONEY,
    Codice_Cliente   VARCHAR(20) COLLATE TSQL,
    MoneyCard        INTEGER,
    Regolare         INTEGER,
    FuoriOrario      INTEGER,
    Cognome          VARCHAR(50) COLLATE TSQL,
    Nome             VARCHAR(50) COLLATE TSQL,
    Abbonamento      VARCHAR(100) COLLATE TSQL,
    Data_Scadenza    DATETIME,
    Rinnovo          INTEGER
);

-- Cross-workstation locks: a row exists while a workstation holds the lock.
CREATE TABLE Semafori (
    Cd_Semaforo INTEGER NOT NULL UNIQUE,
    UserName    VARCHAR(50) COLLATE TSQL,
    HostName    VARCHAR(50) COLLATE TSQL
);

-- Numbering counters by type.
CREATE TABLE Contatori (
    Cd_Tipo    INTEGER PRIMARY KEY,
    Contatore  INTEGER,
    ContatoreN INTEGER
);

-- Operators of the management programs; InUse marks the one logged on here.
CREATE TABLE Permessi_Utenti (
    Codice_Operatore VARCHAR(20) COLLATE TSQL PRIMARY KEY,
    Nome             VARCHAR(50) COLLATE TSQL,
    Password         VARCHAR(50) COLLATE TSQL,
    Amministratore   BIT NOT NULL DEFAULT 0,
    InUse            BIT NOT NULL DEFAULT 0
);

-- Operating settings: a single row maintained by the management programs.
-- NoEntryN: fee items of modality N (see the settings reader) refuse entry.
CREATE TABLE Impostazioni_Funzionamento (
    Costo_CM                    MONEY,
    FattConvEuro                FLOAT,
    Costo_Q                     MONEY,
    Giorni_Sospensione          INTEGER,
    Costo_QA                    MONEY,
    Giorno_Pref                 INTEGER,
    Iscrizione_Annuale          BIT NOT NULL DEFAULT 0,
    Periodi_Chiusura            BIT NOT NULL DEFAULT 0,
    Segnala_Archiviati          BIT NOT NULL DEFAULT 0,
    IndClienti                  INTEGER,
    Quota_Assicurativa          MONEY,
    StampaLogo                  BIT NOT NULL DEFAULT 0,
    Consenti_ER                 BIT NOT NULL DEFAULT 0,
    Prima_Scadenza              INTEGER,
    Gestione_Entrate            BIT NOT NULL DEFAULT 0,
    Tempo_Attesa                INTEGER,
    Utilizza_CodBis             BIT NOT NULL DEFAULT 0,
    Verificato                  BIT NOT NULL DEFAULT 0,
    Cd_Iva                      VARCHAR(10) COLLATE TSQL,
    Tolleranza1                 INTEGER,
    Tolleranza2                 INTEGER,
    Tolleranza3                 INTEGER,
    Tolleranza4                 INTEGER,
    Tolleranza5                 INTEGER,
    Tolleranza6                 INTEGER,
    Tolleranza7                 INTEGER,
    Tolleranza8                 INTEGER,
    Tolleranza9                 INTEGER,
    Tolleranza10                INTEGER,
    Tolleranza11                INTEGER,
    Pagamento_CM                INTEGER,
    Pagamento_Q                 INTEGER,
    Pagamento_QA                INTEGER,
    AnticipoPren                INTEGER,
    Tolleranza12                INTEGER,
    Giorni_Ret                  INTEGER,
    Giorni_Missed               INTEGER,
    Certificato_Medico          BIT NOT NULL DEFAULT 0,
    Path_Foto                   TEXT COLLATE TSQL,
    Path_Immagini               TEXT COLLATE TSQL,
    Orari_Ingresso              BIT NOT NULL DEFAULT 0,
    Conferma_Attivita           BIT NOT NULL DEFAULT 0,
    Pren_Operatori              BIT NOT NULL DEFAULT 0,
    Archivio_Presenze           BIT NOT NULL DEFAULT 0,
    Pren_NoUsata                BIT NOT NULL DEFAULT 0,
    Intervallo_Presenze         INTEGER,
    TipoDocumento               INTEGER,
    CopieR                      INTEGER,
    CopieF                      INTEGER,
    CopieC                      INTEGER,
    Cd_Iva_QA                   VARCHAR(10) COLLATE TSQL,
    Cd_Iva_CM                   VARCHAR(10) COLLATE TSQL,
    Cd_Iva_QAss                 VARCHAR(10) COLLATE TSQL,
    Cd_Iva_MoneyC               VARCHAR(10) COLLATE TSQL,
    Foto_Cliente                BIT NOT NULL DEFAULT 0,
    Costi_Zero                  BIT NOT NULL DEFAULT 0,
    Start_Up                    INTEGER,
    Unita_Premi                 FLOAT,
    Gestione_Cassa              BIT NOT NULL DEFAULT 0,
    Blocco_NoVendite            BIT NOT NULL DEFAULT 0,
    Formato_Foto                INTEGER,
    Pacchetti_Aggiunte          BIT NOT NULL DEFAULT 0,
    Gestisci_Foto               BIT NOT NULL DEFAULT 0,
    Tolleranza13                INTEGER,
    Codice_Centro               INTEGER,
    NoExit                      BIT NOT NULL DEFAULT 0,
    Tolleranza14                INTEGER,
    Tolleranza15                INTEGER,
    Tolleranza16                INTEGER,
    Tolleranza17                INTEGER,
    Tolleranza18                INTEGER,
    Att_Mov                     BIT NOT NULL DEFAULT 0,
    Gestione_Fatture            BIT NOT NULL DEFAULT 0,
    Gestione_Ricevute           BIT NOT NULL DEFAULT 0,
    Gestione_VN                 BIT NOT NULL DEFAULT 0,
    Punti_Rec1                  INTEGER,
    Punti_Rec2                  INTEGER,
    Punti_Rec_Giorni            INTEGER,
    Max_Vendita_Cont            MONEY,
    Path_Piani_Lavoro           TEXT COLLATE TSQL,
    Path_Documenti_Acquisiti    TEXT COLLATE TSQL,
    Azzera_Apertura             BIT NOT NULL DEFAULT 0,
    Codice_Biglietto_Obb        BIT NOT NULL DEFAULT 0,
    Struttura_Darsena_UT        INTEGER,
    Struttura_Darsena1          INTEGER,
    Struttura_Darsena2          INTEGER,
    Struttura_Biglietti         INTEGER,
    SMS_User                    VARCHAR(50) COLLATE TSQL,
    SMS_PWD                     VARCHAR(50) COLLATE TSQL,
    SMS_Mittente                VARCHAR(50) COLLATE TSQL,
    Vendite_Singole             BIT NOT NULL DEFAULT 0,
    Attivita_Generica           INTEGER,
    EMail_Tipo                  INTEGER,
    EMail_Nome_Mittente         VARCHAR(100) COLLATE TSQL,
    EMail_Indirizzo_Mittente    VARCHAR(100) COLLATE TSQL,
    SMTP_Server                 VARCHAR(100) COLLATE TSQL,
    SMTP_User                   VARCHAR(100) COLLATE TSQL,
    SMTP_Pwd                    VARCHAR(100) COLLATE TSQL,
    SMTP_Port                   INTEGER,
    Scelta_Orari_Aut            BIT NOT NULL DEFAULT 0,
    Dati_Minori_Obb             BIT NOT NULL DEFAULT 0,
    Unita_Punti_Fedelta         FLOAT,
    Gestione_Scontrini          BIT NOT NULL DEFAULT 0,
    Codici_Su_Doc               BIT NOT NULL DEFAULT 0,
    Indirizzo_Geo               VARCHAR(200) COLLATE TSQL,
    Latitudine                  FLOAT,
    Longitudine                 FLOAT,
    Data_Punti_Fedelta          DATETIME,
    Codice_Catalogo_GymPay      VARCHAR(50) COLLATE TSQL,
    Codice_API_GymPay           VARCHAR(100) COLLATE TSQL,
    Codice_Merchant_GymPay      VARCHAR(100) COLLATE TSQL,
    Cd_Pagamento_GymPay         INTEGER,
    Fascia_Eta                  INTEGER,
    Inizio_Stagione             DATETIME,
    Fine_Stagione               DATETIME,
    SMTP_SSL                    BIT NOT NULL DEFAULT 0,
    Codice_Catalogo_Open_GymPay VARCHAR(50) COLLATE TSQL,
    AERS_User                   VARCHAR(50) COLLATE TSQL,
    AERS_Pwd                    VARCHAR(50) COLLATE TSQL,
    Path_Articoli               TEXT COLLATE TSQL,
    Obbligo_Doc_Associati       BIT NOT NULL DEFAULT 0,
    Cd_Modello_Invio_Doc        INTEGER,
    URL_FTP                     VARCHAR(200) COLLATE TSQL,
    User_FTP                    VARCHAR(50) COLLATE TSQL,
    Pwd_FTP                     VARCHAR(50) COLLATE TSQL,
    Path_Immagini_FTP           VARCHAR(200) COLLATE TSQL,
    BaseURL_MyWellness          VARCHAR(200) COLLATE TSQL,
    UserName_MyWellness         VARCHAR(100) COLLATE TSQL,
    Pwd_MyWellness              VARCHAR(100) COLLATE TSQL,
    FacilityURL_MyWellness      VARCHAR(200) COLLATE TSQL,
    APIKey_MyWellness           VARCHAR(200) COLLATE TSQL,
    Carrello_Registra_web       BIT NOT NULL DEFAULT 0,
    TolleranzaU                 INTEGER,
    PrenComePres                BIT NOT NULL DEFAULT 0,
    Tolleranza19                INTEGER,
    NoEntry2                    BIT NOT NULL DEFAULT 0,
    NoEntry3                    BIT NOT NULL DEFAULT 0,
    NoEntry4                    BIT NOT NULL DEFAULT 0,
    NoEntry5                    BIT NOT NULL DEFAULT 0,
    NoEntry6                    BIT NOT NULL DEFAULT 0,
    NoEntry7                    BIT NOT NULL DEFAULT 0,
    NoEntry8                    BIT NOT NULL DEFAULT 0,
    NoEntry9                    BIT NOT NULL DEFAULT 0,
    NoEntry10                   BIT NOT NULL DEFAULT 0,
    NoEntry11                   BIT NOT NULL DEFAULT 0,
    NoEntry12                   BIT NOT NULL DEFAULT 0,
    NoEntry13                   BIT NOT NULL DEFAULT 0,
    NoEntry14                   BIT NOT NULL DEFAULT 0,
    NoEntry15                   BIT NOT NULL DEFAULT 0,
    NoEntry16                   BIT NOT NULL DEFAULT 0,
    NoEntry17                   BIT NOT NULL DEFAULT 0,
    NoEntry18                   BIT NOT NULL DEFAULT 0,
    NoEntry19                   BIT NOT NULL DEFAULT 0,
    NoEntry20                   BIT NOT NULL DEFAULT 0,
    NoEntry21                   BIT NOT NULL DEFAULT 0,
    DB_Unico                    BIT NOT NULL DEFAULT 0,
    Formato_Etichette           INTEGER
);
