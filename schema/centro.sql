-- Centre database, embedded (SQLite) edition.
--
-- The tables, columns and views of the centre's management database as far as the access
-- server reads and writes them. Conventions the engine relies on:
--   * texts are declared COLLATE TSQL (case-insensitive, trailing blanks ignored);
--   * booleans are BIT NOT NULL DEFAULT 0 and hold -1 (true) or 0 (false); flags that take
--     more than two values (1/-1/0, 0/1/2, ...) are INTEGER so that the value survives;
--   * dates, date/times and times of day are DATETIME, stored as 'YYYY-MM-DD HH:MM:SS'
--     (times of day on 1900-01-01);
--   * Codice_* columns hold text codes (CL..., ST..., CS..., SE...), ID* columns and
--     Cd_* columns (except Cd_Iva) hold whole numbers;
--   * a work table wTmp_X is written through the view wTmp_X_SQL and read, updated and
--     emptied through wTmp_X; the view's triggers forward to the table with its defaults;
--   * delete triggers <table>_BD fire unless their name is listed in
--     wSys_Trigger_Disabilitati (the engine turns ALTER TABLE ... DISABLE TRIGGER into a
--     row there and ENABLE TRIGGER into its removal).

-- The whole definition is one transaction: it loads quickly and never half-way.
BEGIN TRANSACTION;

-- =====================================================================================
-- Anagrafica_: master records
-- =====================================================================================

-- Members: the card code is Codice_Cliente ("CL..."), Codice_Bis a second card.
-- Stato: 1 subscriber, 2 occasional, 3 former, 4 prospect, 5 renewing.
-- Controlli_Cliente: 1 normal checks, 2 always admit, 3 always refuse.
CREATE TABLE Anagrafica_Clienti (
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Cognome             VARCHAR(50) COLLATE TSQL,
    Nome                VARCHAR(50) COLLATE TSQL,
    Indirizzo           VARCHAR(100) COLLATE TSQL,
    Citta               VARCHAR(50) COLLATE TSQL,
    Telefono            VARCHAR(30) COLLATE TSQL,
    Data_Nascita        DATETIME,
    Stato               INTEGER NOT NULL DEFAULT 1,
    Foto                VARCHAR(255) COLLATE TSQL,
    Codice_Consulente   VARCHAR(20) COLLATE TSQL,
    Fido_Cliente        MONEY NOT NULL DEFAULT 0,
    Controlli_Cliente   INTEGER NOT NULL DEFAULT 1,
    Data_Registrazione  DATETIME,
    Note_Accessi        TEXT COLLATE TSQL,
    ID_MyWellness       INTEGER NOT NULL DEFAULT 0,
    Codice_Centro       VARCHAR(10) COLLATE TSQL
);

-- Fixed fees and certificates of a member (membership fee, insurance, medical
-- certificate, ...): Tipo_Certificato is a Tabella_ScadenzeFisse type.
CREATE TABLE AnagraficaC_Clienti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Tipo_Certificato    INTEGER NOT NULL,
    Pagato              BIT NOT NULL DEFAULT 0,
    Data_Rinnovo        DATETIME,
    Data_Scadenza       DATETIME,
    Importo             MONEY NOT NULL DEFAULT 0
);

-- Visitors; Codice_Bis is the visitor card currently linked (Null once released).
CREATE TABLE Anagrafica_Visitatori (
    Codice_Visitatore   VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Cognome             VARCHAR(50) COLLATE TSQL,
    Nome                VARCHAR(50) COLLATE TSQL,
    Indirizzo           VARCHAR(100) COLLATE TSQL,
    Cd_Motivo           INTEGER
);

-- Staff, one table per role; Codice_Cliente is the member record a staff member pays with.
CREATE TABLE Anagrafica_Consulenti (
    Codice_Consulente   VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Cognome             VARCHAR(50) COLLATE TSQL,
    Nome                VARCHAR(50) COLLATE TSQL,
    Ingresso            BIT NOT NULL DEFAULT 0,
    Foto                VARCHAR(255) COLLATE TSQL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL
);

CREATE TABLE Anagrafica_Istruttori (
    Codice_Istruttore   VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Cognome             VARCHAR(50) COLLATE TSQL,
    Nome                VARCHAR(50) COLLATE TSQL,
    Ingresso            BIT NOT NULL DEFAULT 0,
    Foto                VARCHAR(255) COLLATE TSQL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL
);

CREATE TABLE Anagrafica_Medici (
    Codice_Medico       VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Cognome             VARCHAR(50) COLLATE TSQL,
    Nome                VARCHAR(50) COLLATE TSQL,
    Ingresso            BIT NOT NULL DEFAULT 0,
    Foto                VARCHAR(255) COLLATE TSQL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL
);

CREATE TABLE Anagrafica_Fisioterapisti (
    Codice_Fisioterapista VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Cognome             VARCHAR(50) COLLATE TSQL,
    Nome                VARCHAR(50) COLLATE TSQL,
    Ingresso            BIT NOT NULL DEFAULT 0,
    Foto                VARCHAR(255) COLLATE TSQL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL
);

CREATE TABLE Anagrafica_Operatori (
    Codice_Operatore    VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Cognome             VARCHAR(50) COLLATE TSQL,
    Nome                VARCHAR(50) COLLATE TSQL,
    Ingresso            BIT NOT NULL DEFAULT 0,
    Foto                VARCHAR(255) COLLATE TSQL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL
);

CREATE TABLE Anagrafica_Estetisti (
    Codice_Estetista    VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Cognome             VARCHAR(50) COLLATE TSQL,
    Nome                VARCHAR(50) COLLATE TSQL,
    Ingresso            BIT NOT NULL DEFAULT 0,
    Foto                VARCHAR(255) COLLATE TSQL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL
);

-- Articles sold at the bar and at sales terminals ("AR...").
CREATE TABLE Anagrafica_Articoli (
    Codice_Articolo     VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Descrizione         VARCHAR(100) COLLATE TSQL,
    Giacenza            FLOAT NOT NULL DEFAULT 0,
    Scorta_Minima       FLOAT NOT NULL DEFAULT 0,
    Prezzo_Unitario     MONEY NOT NULL DEFAULT 0,
    Prezzo_Unitario_Abb MONEY NOT NULL DEFAULT 0,
    Cd_IVA              VARCHAR(10) COLLATE TSQL
);

-- Facilities ("ST..."): gym floor, pool, spa, courts. Esterna: an external facility whose
-- entrance only checks fees. NoVerifica_Irregolari: -1, 0 or 1, the arrears mode of its
-- terminals. APrenotazione: entry only with a booking. Omnia: a line for it covers every
-- facility. Mod_Scalo 2: entries are never deducted at terminals. QA_Richiesta ..
-- S6_Richiesta: fee items that must be in order for entry. Tolleranza, TolleranzaU:
-- minutes of grace before a booking and after the permitted stay.
CREATE TABLE Anagrafica_Strutture (
    Codice_Struttura    VARCHAR(10) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Descrizione         VARCHAR(100) COLLATE TSQL,
    Codice_Area         VARCHAR(10) COLLATE TSQL,
    Codice_Centro       VARCHAR(10) COLLATE TSQL,
    Esterna             BIT NOT NULL DEFAULT 0,
    NoVerifica_Irregolari INTEGER NOT NULL DEFAULT 0,
    Abilita_Ingresso    BIT NOT NULL DEFAULT 0,
    APrenotazione       BIT NOT NULL DEFAULT 0,
    Omnia               BIT NOT NULL DEFAULT 0,
    NoVerifica_Ingresso BIT NOT NULL DEFAULT 0,
    Con_Accompagnatore  BIT NOT NULL DEFAULT 0,
    Mod_Scalo           INTEGER NOT NULL DEFAULT 0,
    Tolleranza          INTEGER NOT NULL DEFAULT 0,
    TolleranzaU         INTEGER NOT NULL DEFAULT 0,
    QA_Richiesta        BIT NOT NULL DEFAULT 0,
    CM_Richiesto        BIT NOT NULL DEFAULT 0,
    QAss_Richiesta      BIT NOT NULL DEFAULT 0,
    S4_Richiesta        BIT NOT NULL DEFAULT 0,
    S5_Richiesta        BIT NOT NULL DEFAULT 0,
    S6_Richiesta        BIT NOT NULL DEFAULT 0
);

-- Courses ("CS..."). APrenotazione: 1 free entry, -1 only with a booking of today,
-- 0 only with an enrolment for today. Data_Inizio/Data_Fine: the season the course runs.
CREATE TABLE Anagrafica_Corsi (
    Codice_Corso        VARCHAR(10) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Descrizione         VARCHAR(100) COLLATE TSQL,
    Codice_Area         VARCHAR(10) COLLATE TSQL,
    Codice_Centro       VARCHAR(10) COLLATE TSQL,
    APrenotazione       INTEGER NOT NULL DEFAULT 1,
    Data_Inizio         DATETIME,
    Data_Fine           DATETIME,
    NoVerifica_Ingresso BIT NOT NULL DEFAULT 0,
    Con_Accompagnatore  BIT NOT NULL DEFAULT 0,
    Mod_Scalo           INTEGER NOT NULL DEFAULT 0,
    Tolleranza          INTEGER NOT NULL DEFAULT 0,
    TolleranzaU         INTEGER NOT NULL DEFAULT 0,
    QA_Richiesta        BIT NOT NULL DEFAULT 0,
    CM_Richiesto        BIT NOT NULL DEFAULT 0,
    QAss_Richiesta      BIT NOT NULL DEFAULT 0,
    S4_Richiesta        BIT NOT NULL DEFAULT 0,
    S5_Richiesta        BIT NOT NULL DEFAULT 0,
    S6_Richiesta        BIT NOT NULL DEFAULT 0
);

-- Services ("SE..."): massages, personal training, physiotherapy; as courses.
CREATE TABLE Anagrafica_Servizi (
    Codice_Servizio     VARCHAR(10) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Bis          VARCHAR(30) COLLATE TSQL,
    Descrizione         VARCHAR(100) COLLATE TSQL,
    Codice_Area         VARCHAR(10) COLLATE TSQL,
    Codice_Centro       VARCHAR(10) COLLATE TSQL,
    APrenotazione       INTEGER NOT NULL DEFAULT 1,
    Data_Inizio         DATETIME,
    Data_Fine           DATETIME,
    NoVerifica_Ingresso BIT NOT NULL DEFAULT 0,
    Con_Accompagnatore  BIT NOT NULL DEFAULT 0,
    Mod_Scalo           INTEGER NOT NULL DEFAULT 0,
    Tolleranza          INTEGER NOT NULL DEFAULT 0,
    TolleranzaU         INTEGER NOT NULL DEFAULT 0,
    QA_Richiesta        BIT NOT NULL DEFAULT 0,
    CM_Richiesto        BIT NOT NULL DEFAULT 0,
    QAss_Richiesta      BIT NOT NULL DEFAULT 0,
    S4_Richiesta        BIT NOT NULL DEFAULT 0,
    S5_Richiesta        BIT NOT NULL DEFAULT 0,
    S6_Richiesta        BIT NOT NULL DEFAULT 0
);

-- Bookable sub-facilities of a facility (a court, a cabin, a machine).
CREATE TABLE Anagrafica_SubStrutture (
    Cd_SubStruttura     INTEGER PRIMARY KEY,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Descrizione         VARCHAR(100) COLLATE TSQL
);

-- Subscription types with their visit-frequency limit (FrequenzaDD visits per interval
-- ID_Intervallo of Intervalli_DD) and permitted stay in minutes.
CREATE TABLE Anagrafica_Abbonamenti (
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Descrizione         VARCHAR(100) COLLATE TSQL,
    FrequenzaDD         INTEGER NOT NULL DEFAULT 0,
    ID_Intervallo       INTEGER NOT NULL DEFAULT 0,
    Tempo_Permanenza    INTEGER NOT NULL DEFAULT 0,
    Giornaliero         BIT NOT NULL DEFAULT 0,
    Prezzo              MONEY NOT NULL DEFAULT 0
);

-- Entry packages, one row per package and facility.
CREATE TABLE Anagrafica_Pacchetti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Pacchetto    VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Descrizione         VARCHAR(100) COLLATE TSQL,
    FrequenzaDD         INTEGER NOT NULL DEFAULT 0,
    ID_Intervallo       INTEGER NOT NULL DEFAULT 0,
    Tempo_Permanenza    INTEGER NOT NULL DEFAULT 0
);

-- Multi-activity packages; Strutture_Pacchetti_Multipli holds per-facility overrides.
CREATE TABLE Anagrafica_Pacchetti_Multipli (
    Codice_PacchettoM   VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Descrizione         VARCHAR(100) COLLATE TSQL,
    FrequenzaDD         INTEGER NOT NULL DEFAULT 0,
    ID_Intervallo       INTEGER NOT NULL DEFAULT 0,
    Tempo_Permanenza    INTEGER NOT NULL DEFAULT 0,
    Giornaliero         BIT NOT NULL DEFAULT 0,
    GiornalieroT        BIT NOT NULL DEFAULT 0
);

-- Ticket types. Accessi_Multipli: rule for several entries a day (0 to 4).
-- Utilizzo_AltriGiorni: 0/1 only on the day of purchase, other values any day.
-- Tipo_Gestione: 1 one daily band Ingresso_Da..Ingresso_A, 2 weekly bands.
CREATE TABLE Anagrafica_Biglietti (
    Codice_Biglietto    VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Descrizione         VARCHAR(100) COLLATE TSQL,
    Accessi_Multipli    INTEGER NOT NULL DEFAULT 0,
    Utilizzo_AltriGiorni INTEGER NOT NULL DEFAULT 0,
    Tipo_Gestione       INTEGER NOT NULL DEFAULT 0,
    Ingresso_Da         DATETIME,
    Ingresso_A          DATETIME,
    Tempo_Permanenza    INTEGER NOT NULL DEFAULT 0,
    Prezzo              MONEY NOT NULL DEFAULT 0
);

-- Price promotions valid for a period.
CREATE TABLE Anagrafica_Promozioni (
    Codice_Promo        VARCHAR(20) COLLATE TSQL NOT NULL PRIMARY KEY,
    Descrizione         VARCHAR(100) COLLATE TSQL,
    Data_Inizio         DATETIME,
    Data_Fine           DATETIME
);

-- =====================================================================================
-- Gestione_: transactions
-- =====================================================================================

-- Subscriptions sold. Codice_Iscrizione is the subscription code that lines, bookings and
-- attendances refer to; Cd_Iscrizione the row number that sales refer to.
CREATE TABLE Gestione_Iscrizioni (
    Cd_Iscrizione       INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL NOT NULL UNIQUE,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL,
    Descrizione         VARCHAR(255) COLLATE TSQL,
    Data_Inizio         DATETIME,
    Data_Fine           DATETIME,
    Scaduta             BIT NOT NULL DEFAULT 0,
    Data_Scadenza       DATETIME,
    Punti               INTEGER NOT NULL DEFAULT 0,
    Punti_Uti           INTEGER NOT NULL DEFAULT 0,
    Importo             MONEY NOT NULL DEFAULT 0,
    Codice_Centro       VARCHAR(10) COLLATE TSQL
);

-- Add-ons: entry packages (Codice_Pacchetto), multi-activity packages
-- (Codice_PacchettoM; ID_Pacchetto groups the rows of one sale), single bookings
-- (Singola, Singola_Corsi, Singola_Servizi hold the booking's ID) and make-up vouchers.
CREATE TABLE Gestione_Aggiunte (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Codice_Pacchetto    VARCHAR(20) COLLATE TSQL,
    Codice_PacchettoM   VARCHAR(20) COLLATE TSQL,
    ID_Pacchetto        INTEGER NOT NULL DEFAULT 0,
    Prog_Riga           INTEGER NOT NULL DEFAULT 1,
    Descrizione         VARCHAR(255) COLLATE TSQL,
    Data_Inizio         DATETIME,
    Data_Fine           DATETIME,
    Scaduta             BIT NOT NULL DEFAULT 0,
    Data_Scadenza       DATETIME,
    Sedute              INTEGER NOT NULL DEFAULT 0,
    SeduteFatte         INTEGER NOT NULL DEFAULT 0,
    Singola             INTEGER NOT NULL DEFAULT 0,
    Singola_Corsi       INTEGER NOT NULL DEFAULT 0,
    Singola_Servizi     INTEGER NOT NULL DEFAULT 0,
    FrequenzaDD         INTEGER NOT NULL DEFAULT 0,
    ID_Intervallo       INTEGER NOT NULL DEFAULT 0,
    Tempo_Permanenza    INTEGER NOT NULL DEFAULT 0,
    Pren_DaOre          DATETIME,
    Pren_AOre           DATETIME,
    Giornaliero         BIT NOT NULL DEFAULT 0,
    Punti               INTEGER NOT NULL DEFAULT 0,
    Punti_Uti           INTEGER NOT NULL DEFAULT 0,
    Importo             MONEY NOT NULL DEFAULT 0
);

-- Bar sales.
CREATE TABLE Gestione_Bar (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Codice_Articolo     VARCHAR(20) COLLATE TSQL,
    Data_Vendita        DATETIME,
    Qta                 FLOAT NOT NULL DEFAULT 1,
    Prezzo_Unitario     MONEY NOT NULL DEFAULT 0,
    Importo             MONEY NOT NULL DEFAULT 0,
    Pagato              BIT NOT NULL DEFAULT 0
);

-- Prepaid credit rows; the residual is Importo - Importo_Usato + Importo_Omaggio.
CREATE TABLE Gestione_MoneyCard (
    Cd_MoneyCard        INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    ID_TipoMC           INTEGER,
    Importo             MONEY NOT NULL DEFAULT 0,
    Importo_Omaggio     MONEY NOT NULL DEFAULT 0,
    Importo_Usato       MONEY NOT NULL DEFAULT 0,
    Data_Inizio         DATETIME,
    Data_Fine           DATETIME,
    Codice_Centro       VARCHAR(10) COLLATE TSQL,
    Ultimo_Utilizzo     DATETIME
);

-- Articles a money-card type may pay.
CREATE TABLE Gestione_MoneyCard_Associa (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_TipoMC           INTEGER NOT NULL,
    Codice              VARCHAR(20) COLLATE TSQL NOT NULL
);

-- Money-card top-ups sold.
CREATE TABLE Gestione_MoneyCard_Ricarica (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Cd_MoneyCard        INTEGER,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Data_Ricarica       DATETIME,
    Importo             MONEY NOT NULL DEFAULT 0
);

-- Discount cards sold.
CREATE TABLE Gestione_DCard (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Data_Vendita        DATETIME,
    Data_Fine           DATETIME,
    Importo             MONEY NOT NULL DEFAULT 0
);

-- Sales, one row per item sold. Tipologia: 1 subscription (Codice = Cd_Iscrizione),
-- 2 package and 3 add-on (Codice = Gestione_Aggiunte.ID), 4 bar, 5 fixed fee, 6 money-card
-- top-up, 7 discount card. Marker: the sale is to be deleted.
CREATE TABLE Gestione_Vendite (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Tipologia           INTEGER NOT NULL,
    Codice              INTEGER NOT NULL DEFAULT 0,
    ID_Pacchetto        INTEGER NOT NULL DEFAULT 0,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Data_Vendita        DATETIME,
    Importo             MONEY NOT NULL DEFAULT 0,
    Marker              BIT NOT NULL DEFAULT 0
);

-- Open stays on the premises; ID_Entrata is the stay number.
CREATE TABLE Gestione_Entrate (
    ID_Entrata          INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Data_Entrata        DATETIME,
    Ora_Entrata         DATETIME,
    IndTerminale        INTEGER NOT NULL DEFAULT 0,
    Codice_Centro       VARCHAR(10) COLLATE TSQL
);

-- Exits: of a stay (ID_Entrata) or of a ticket entry (ID_Presenza).
CREATE TABLE Gestione_Uscite (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Data_Uscita         DATETIME,
    Ora_Uscita          DATETIME,
    ID_Entrata          INTEGER NOT NULL DEFAULT 0,
    ID_Presenza         INTEGER NOT NULL DEFAULT 0,
    Fuori_Orario        INTEGER NOT NULL DEFAULT 0,
    Codice_Centro       VARCHAR(10) COLLATE TSQL,
    IndTerminale        INTEGER NOT NULL DEFAULT 0
);

-- Staff presence register: one row per entry, closed by the exit time.
CREATE TABLE Gestione_Personale (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice              VARCHAR(20) COLLATE TSQL NOT NULL,
    Tipologia           INTEGER,
    Data_EntrataUscita  DATETIME,
    Ora_EntrataUscita   DATETIME,
    Ora_UscitaEntrata   DATETIME
);

-- Facility bookings (one slot of a sub-facility); the members of a booking are in
-- Booking_Clienti. Codice2 is the booked activity.
CREATE TABLE Gestione_Prenotazioni (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice2             VARCHAR(10) COLLATE TSQL,
    Cd_SubStruttura     INTEGER NOT NULL DEFAULT 0,
    Data_Prenotazione   DATETIME,
    DaOre               DATETIME,
    AOre                DATETIME,
    Note                TEXT COLLATE TSQL
);

-- Course bookings: one member, one lesson (ID_Corso = Orario_Istruttori_Corsi.ID).
CREATE TABLE Gestione_Prenotazioni_Corsi (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Corso        VARCHAR(10) COLLATE TSQL,
    ID_Corso            INTEGER NOT NULL DEFAULT 0,
    Data_Prenotazione   DATETIME,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL,
    ID_Iscrizione       INTEGER NOT NULL DEFAULT 0,
    ID_Aggiunta         INTEGER NOT NULL DEFAULT 0,
    Enroll              BIT NOT NULL DEFAULT 0,
    Usata               BIT NOT NULL DEFAULT 0,
    Ingresso            INTEGER NOT NULL DEFAULT 0,
    Ingresso_Scalato    BIT NOT NULL DEFAULT 0,
    Punti_Uti           INTEGER NOT NULL DEFAULT 0
);

-- Service bookings (ID_Servizio = Orario_Servizi.ID).
CREATE TABLE Gestione_Prenotazioni_Servizi (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Servizio     VARCHAR(10) COLLATE TSQL,
    ID_Servizio         INTEGER NOT NULL DEFAULT 0,
    Data_Prenotazione   DATETIME,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL,
    ID_Iscrizione       INTEGER NOT NULL DEFAULT 0,
    ID_Aggiunta         INTEGER NOT NULL DEFAULT 0,
    Enroll              BIT NOT NULL DEFAULT 0,
    Usata               BIT NOT NULL DEFAULT 0,
    Ingresso            INTEGER NOT NULL DEFAULT 0,
    Ingresso_Scalato    BIT NOT NULL DEFAULT 0,
    Punti_Uti           INTEGER NOT NULL DEFAULT 0
);

-- One-day QR codes: the code read is Codice_Cliente+QR_Code+Disp_Code, valid on Data_Reg
-- until Ora_Scad (Null: all day). Usato: 0 not used, 1 used.
CREATE TABLE Gestione_QR_Code (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    QR_Code             VARCHAR(20) COLLATE TSQL NOT NULL DEFAULT '',
    Disp_Code           VARCHAR(20) COLLATE TSQL NOT NULL DEFAULT '',
    Data_Reg            DATETIME,
    Ora_Scad            DATETIME,
    Usato               INTEGER NOT NULL DEFAULT 0
);

-- Suspensions of a subscription (Codice_Iscrizione), an add-on (ID_Aggiunta) or a
-- package (ID_Pacchetto); an open end means suspended until further notice.
CREATE TABLE Gestione_Sospensioni (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL,
    ID_Aggiunta         INTEGER NOT NULL DEFAULT 0,
    ID_Pacchetto        INTEGER NOT NULL DEFAULT 0,
    Data_Inizio_Sospensione DATETIME,
    Data_Fine_Sospensione DATETIME,
    Motivo              VARCHAR(100) COLLATE TSQL
);

-- Visits of visitors; Ora_Uscita Null while the visit is open.
CREATE TABLE Gestione_Visitatori (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Visitatore   VARCHAR(20) COLLATE TSQL NOT NULL,
    Data_Entrata        DATETIME,
    Ora_Entrata         DATETIME,
    Ora_Uscita          DATETIME,
    Cd_Motivo           INTEGER,
    Fuori_Orario        INTEGER NOT NULL DEFAULT 0
);

-- Tickets sold, to a member (Codice_Cliente) or on a bare card (Codice_Tessera).
CREATE TABLE Gestione_Biglietti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Biglietto    VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Codice_Tessera      VARCHAR(30) COLLATE TSQL,
    Data_Acquisto       DATETIME,
    Data_Inizio         DATETIME,
    Data_Fine           DATETIME,
    Sedute              INTEGER NOT NULL DEFAULT 0,
    SeduteFatte         INTEGER NOT NULL DEFAULT 0,
    Scaduta             BIT NOT NULL DEFAULT 0,
    Data_Scadenza       DATETIME
);

-- Facilities a member prefers for an all-facilities subscription.
CREATE TABLE Gestione_Preferenze (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Tipologia           INTEGER NOT NULL DEFAULT 1,
    Data_Preferenza     DATETIME,
    Data_Preferenza_Fine DATETIME
);

-- Terminals of an attendance zone (ID_Terminale = Dettaglio_Terminali.ID); Uscita marks
-- the zone's exit terminals.
CREATE TABLE Gestione_Zone_Terminali (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_Zona             INTEGER NOT NULL,
    ID_Terminale        INTEGER NOT NULL,
    Uscita              BIT NOT NULL DEFAULT 0
);

-- =====================================================================================
-- Tabella_: lookups
-- =====================================================================================

-- Fixed fees (membership, insurance, medical certificate, ...) by type 1 to 6.
-- Ingresso: a paid, current fee of this type admits at fixed-fee terminals.
CREATE TABLE Tabella_ScadenzeFisse (
    Tipo_Scadenza       INTEGER PRIMARY KEY,
    Scadenza            VARCHAR(50) COLLATE TSQL,
    Gestisci            BIT NOT NULL DEFAULT 0,
    Importo             MONEY,
    Pagamento           INTEGER,
    Cd_Iva              VARCHAR(10) COLLATE TSQL,
    Durata_Std          INTEGER,
    Ingresso            BIT NOT NULL DEFAULT 0
);

-- Holidays by date; Club_Open <> 0: the centre opens as usual that day.
CREATE TABLE Tabella_Festivi (
    ID_Festivita        DATETIME NOT NULL PRIMARY KEY,
    Descrizione         VARCHAR(50) COLLATE TSQL,
    Club_Open           BIT NOT NULL DEFAULT 0
);

-- Money-card types.
CREATE TABLE Tabella_MoneyCard (
    ID_TipoMC           INTEGER PRIMARY KEY,
    Descrizi            VARCHAR(50) COLLATE TSQL
);

-- Visitor cards and their maximum stay in minutes (0: no limit).
CREATE TABLE Tabella_Tessere_Visitatori (
    Codice_Tessera      VARCHAR(30) COLLATE TSQL NOT NULL PRIMARY KEY,
    Max_Permanenza      INTEGER NOT NULL DEFAULT 0
);

-- Attendance zones and the most people each may hold at once (0: no limit).
CREATE TABLE Tabella_Zone_Terminali (
    ID_Zona             INTEGER PRIMARY KEY,
    Descrizione         VARCHAR(50) COLLATE TSQL,
    MaxPresenze         INTEGER NOT NULL DEFAULT 0
);

-- Article groups: the articles (Codice_Figlio) that belong to a group (Codice_Padre).
CREATE TABLE Tabella_Gruppi_Articoli (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Padre        VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Figlio       VARCHAR(20) COLLATE TSQL NOT NULL,
    Descrizione         VARCHAR(100) COLLATE TSQL
);

-- =====================================================================================
-- Dettaglio_: configuration details
-- =====================================================================================

-- One row per access terminal. Tipo: model 1 to 7 (6 HTTP push). Uscita: 0 entry,
-- 1 both directions, other values exit only. Stop/Vai: the stop and go relays are used.
-- Gestisci_Attivita: 1 activity choice, 2 fixed fees, 3 remaining entries. MoneyCard:
-- sales dialogue (-1 amount or points, 1 and 2 bar articles). Gruppo2: terminals that
-- count an entry once. Codice_Struttura: the facility served (text code). Postazione:
-- the workstation whose server drives the terminal when several servers share the
-- database (--workstation); blank: the one server.
CREATE TABLE Dettaglio_Terminali (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Indirizzo           INTEGER NOT NULL UNIQUE,
    Descrizione         VARCHAR(50) COLLATE TSQL,
    Attivo              BIT NOT NULL DEFAULT 0,
    Indirizzo_IP        VARCHAR(50) COLLATE TSQL,
    Tipo                INTEGER NOT NULL DEFAULT 1,
    Uscita              INTEGER NOT NULL DEFAULT 0,
    Personale           BIT NOT NULL DEFAULT 0,
    Stop                INTEGER NOT NULL DEFAULT 0,
    Vai                 INTEGER NOT NULL DEFAULT 0,
    CodiceVai           VARCHAR(20) COLLATE TSQL,
    TempoStop           INTEGER NOT NULL DEFAULT 0,
    TempoVai            INTEGER NOT NULL DEFAULT 0,
    NReleStop           INTEGER NOT NULL DEFAULT 1,
    NReleVai            INTEGER NOT NULL DEFAULT 1,
    NReleUscita         INTEGER NOT NULL DEFAULT 0,
    Attivato_Operatore  BIT NOT NULL DEFAULT 0,
    Codice_Attivazione  VARCHAR(20) COLLATE TSQL,
    Blocco_Tastiera     BIT NOT NULL DEFAULT 0,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Codice_Centro       VARCHAR(10) COLLATE TSQL,
    Gestisci_Attivita   INTEGER NOT NULL DEFAULT 0,
    MoneyCard           INTEGER NOT NULL DEFAULT 0,
    Vendita             BIT NOT NULL DEFAULT 0,
    Addebito            BIT NOT NULL DEFAULT 0,
    Gestione_Punti      BIT NOT NULL DEFAULT 0,
    Visualizza_Dett     BIT NOT NULL DEFAULT 0,
    Stampa_Scontrino    BIT NOT NULL DEFAULT 0,
    SubTerminale        BIT NOT NULL DEFAULT 0,
    ControlloPresenze   BIT NOT NULL DEFAULT 0,
    Monitor_Aggiuntivo  INTEGER NOT NULL DEFAULT 0,
    Intervallo_Presenze INTEGER NOT NULL DEFAULT 0,
    Gruppo              INTEGER NOT NULL DEFAULT 0,
    Gruppo2             INTEGER NOT NULL DEFAULT 0,
    Messaggi            INTEGER NOT NULL DEFAULT 0,
    Cd_Centro_MyWellness INTEGER NOT NULL DEFAULT 0,
    Postazione          VARCHAR(50) COLLATE TSQL
);

-- Machines (sub-facilities) switched on by a booking terminal through its relays.
CREATE TABLE Dettaglio_Terminali_Sub (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_Terminale        INTEGER NOT NULL,
    Cd_SubStruttura     INTEGER NOT NULL,
    NReleVai            INTEGER NOT NULL DEFAULT 1,
    TempoVai            INTEGER NOT NULL DEFAULT 0,
    IOX                 BIT NOT NULL DEFAULT 0,
    TempoAnticipo       INTEGER NOT NULL DEFAULT 0,
    TempoRitardo        INTEGER NOT NULL DEFAULT 0,
    TempoApertura       INTEGER NOT NULL DEFAULT 0,
    Vai                 INTEGER NOT NULL DEFAULT 0
);

-- Pairs an exit terminal (ID_Terminale) with the entry terminals it serves.
CREATE TABLE Dettaglio_Terminali_Uscita (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_Terminale        INTEGER NOT NULL,
    ID_Terminale_Entrata INTEGER NOT NULL
);

-- Tariffs of a terminal by weekday (Monday 1) and time band. Tipo: 1 points per entry or
-- period, 2 money per entry, 3 money per time on premises, 4 reader time windows.
CREATE TABLE Dettaglio_Terminali_Punti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_Terminale        INTEGER NOT NULL,
    Tipo                INTEGER NOT NULL DEFAULT 1,
    DDSettimana         INTEGER NOT NULL DEFAULT 1,
    Fascia_Ini          DATETIME,
    Fascia_Fin          DATETIME,
    Data_Validita       DATETIME,
    Fine_Validita       DATETIME,
    Punti               INTEGER NOT NULL DEFAULT 0,
    Punti_NoScalare     INTEGER NOT NULL DEFAULT 0,
    ID_Terminale_Entrata INTEGER NOT NULL DEFAULT 0,
    Punti_Pren          BIT NOT NULL DEFAULT 0,
    Validita            INTEGER NOT NULL DEFAULT 0,
    Importo             MONEY NOT NULL DEFAULT 0,
    Unita_Min           INTEGER NOT NULL DEFAULT 0,
    Fraz_Min            INTEGER NOT NULL DEFAULT 0,
    Importo_Fraz        MONEY NOT NULL DEFAULT 0,
    Tolleranza          INTEGER NOT NULL DEFAULT 0
);

-- Sub-terminals (ID_Terminale_Sub) that admit only members who passed a main terminal
-- (ID_Terminale) today; Tipo_Verifica chooses the test.
CREATE TABLE Dettaglio_SubTerminali (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_Terminale        INTEGER NOT NULL,
    ID_Terminale_Sub    INTEGER NOT NULL,
    Tipo_Verifica       INTEGER NOT NULL DEFAULT 1
);

-- =====================================================================================
-- wTmp_: work tables (written through the wTmp_X_SQL views below)
-- =====================================================================================

-- Basket of a keypad sale, per terminal address.
CREATE TABLE wTmp_ArticoliTerminali (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Indirizzo           INTEGER NOT NULL DEFAULT 0,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Codice_Articolo     VARCHAR(20) COLLATE TSQL,
    Qta                 FLOAT NOT NULL DEFAULT 1,
    Prezzo_Unitario     MONEY NOT NULL DEFAULT 0,
    Cd_IVA              VARCHAR(10) COLLATE TSQL
);

-- Candidate activities of the member being checked at a facility terminal.
-- Tipo: 1 free, -1 booking of today needed, 0 enrolment needed.
CREATE TABLE wTmp_Attivita_Strutture (
    IDK                 INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice              VARCHAR(10) COLLATE TSQL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Tipo                INTEGER NOT NULL DEFAULT 1,
    S1                  INTEGER NOT NULL DEFAULT 0,
    S2                  INTEGER NOT NULL DEFAULT 0,
    S3                  INTEGER NOT NULL DEFAULT 0,
    S4                  INTEGER NOT NULL DEFAULT 0,
    S5                  INTEGER NOT NULL DEFAULT 0,
    S6                  INTEGER NOT NULL DEFAULT 0
);

-- Access display rows shown by the desk programs (one per decided card read).
CREATE TABLE wTmp_DatiAccessi (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Completo            INTEGER NOT NULL DEFAULT 0,
    Codice_Tessera      VARCHAR(30) COLLATE TSQL,
    Codice              VARCHAR(20) COLLATE TSQL,
    Cognome             VARCHAR(50) COLLATE TSQL,
    Nome                VARCHAR(50) COLLATE TSQL,
    Indirizzo           VARCHAR(100) COLLATE TSQL,
    Data_Entrata        DATETIME,
    Ora_Entrata         DATETIME,
    Data_Ultima_Entrata DATETIME,
    Ora_Ultima_Entrata  DATETIME,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL,
    DesAbbonamento      VARCHAR(255) COLLATE TSQL,
    Stato               INTEGER NOT NULL DEFAULT 0,
    Foto                VARCHAR(255) COLLATE TSQL,
    Scadenza            DATETIME,
    DesStato            VARCHAR(30) COLLATE TSQL,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL,
    TestoIrr            TEXT COLLATE TSQL NOT NULL DEFAULT '',
    Codice_Consulente   VARCHAR(20) COLLATE TSQL,
    Sem1                INTEGER NOT NULL DEFAULT 0,
    Sem2                INTEGER NOT NULL DEFAULT 0,
    Sem3                INTEGER NOT NULL DEFAULT 0,
    Sospeso             INTEGER NOT NULL DEFAULT 0,
    Messaggio           INTEGER NOT NULL DEFAULT 0,
    ASeduta             INTEGER NOT NULL DEFAULT 0,
    Struttura_Ingresso  VARCHAR(100) COLLATE TSQL,
    Entrata             VARCHAR(100) COLLATE TSQL,
    Terminale           INTEGER NOT NULL DEFAULT 0,
    CheckOut            INTEGER NOT NULL DEFAULT 0,
    Monitor_Aggiuntivo  INTEGER NOT NULL DEFAULT 0,
    TestoIrr_Push       TEXT COLLATE TSQL
);

-- Article groups exploded from a root article.
CREATE TABLE wTmp_Distinte (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Cd_Radice           VARCHAR(20) COLLATE TSQL,
    Cd_Padre            VARCHAR(20) COLLATE TSQL,
    Cd_Figlio           VARCHAR(20) COLLATE TSQL,
    Livello_figlio      INTEGER NOT NULL DEFAULT 0,
    Livello_padre       INTEGER NOT NULL DEFAULT 0,
    Prodotto_figlio     FLOAT NOT NULL DEFAULT 1,
    Foglia              BIT NOT NULL DEFAULT 0
);

-- Activities the member has booked or is enrolled in today.
CREATE TABLE wTmp_Formule (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice              VARCHAR(10) COLLATE TSQL
);

-- Reads received from socket terminals.
CREATE TABLE wTmp_Letture (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Indirizzo           INTEGER NOT NULL DEFAULT 0,
    Codice              VARCHAR(30) COLLATE TSQL,
    Data_Lettura        DATETIME,
    Ora_Lettura         DATETIME
);

-- Allocation of one money-card payment over the member's cards (ID = Cd_MoneyCard).
CREATE TABLE wTmp_ModPrezzi (
    IDK                 INTEGER PRIMARY KEY AUTOINCREMENT,
    ID                  INTEGER NOT NULL,
    Prezzo_Orig         MONEY NOT NULL DEFAULT 0,
    Codice              VARCHAR(20) COLLATE TSQL,
    Descrizione         VARCHAR(100) COLLATE TSQL
);

-- Attendances waiting to be exported to the fitness platform.
CREATE TABLE wTmp_MyWellness (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Ora_Presenza        DATETIME,
    Cd_Centro           INTEGER NOT NULL DEFAULT 0,
    Inviato             BIT NOT NULL DEFAULT 0
);

-- Latest exit time of the stay being recorded.
CREATE TABLE wTmp_OrarioUscita (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Data_Presenza       DATETIME,
    AOre                DATETIME
);

-- Open fee items of the member being checked, copied from Giornale for the display.
CREATE TABLE wTmp_Presenze_Irregolarita (
    IDK                 INTEGER PRIMARY KEY AUTOINCREMENT,
    ID                  INTEGER,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Modalita            INTEGER,
    CodiceS             VARCHAR(30) COLLATE TSQL,
    CodiceN             INTEGER,
    Data_Scadenza       DATETIME,
    [Check]             BIT NOT NULL DEFAULT 0
);

-- Candidate entitlements of the member being checked (staging rows of an entry).
-- Origine: 'Abbonamento' (subscription line) or 'Aggiunta' (add-on, ID_Prenotazione).
-- Conferma 0 strikes a row out; Terminale -1: verified at the facility's own terminal.
CREATE TABLE wTmp_Presenze_Strutture (
    IDK                 INTEGER PRIMARY KEY AUTOINCREMENT,
    Origine             VARCHAR(20) COLLATE TSQL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Tipologia           INTEGER NOT NULL DEFAULT 1,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL,
    ID_Iscrizione       INTEGER NOT NULL DEFAULT 0,
    Prog_Riga           INTEGER NOT NULL DEFAULT 0,
    ID_Prenotazione     INTEGER NOT NULL DEFAULT 0,
    ID_Pacchetto        INTEGER NOT NULL DEFAULT 0,
    Codice_Pacchetto    VARCHAR(20) COLLATE TSQL,
    Codice_PacchettoM   VARCHAR(20) COLLATE TSQL,
    Sedute              INTEGER NOT NULL DEFAULT 0,
    Sedute_Fatte        INTEGER NOT NULL DEFAULT 0,
    Pagato              INTEGER NOT NULL DEFAULT 1,
    Conferma            INTEGER NOT NULL DEFAULT 1,
    Costo_Presenza      MONEY NOT NULL DEFAULT 0,
    Data_Inizio         DATETIME,
    Data_Fine           DATETIME,
    Data_Scadenza       DATETIME,
    Scaduta             INTEGER NOT NULL DEFAULT 0,
    Giornaliero         INTEGER NOT NULL DEFAULT 0,
    GiornalieroT        INTEGER NOT NULL DEFAULT 0,
    Tempo_Permanenza    INTEGER NOT NULL DEFAULT 0,
    FrequenzaDD         INTEGER NOT NULL DEFAULT 0,
    ID_Intervallo       INTEGER NOT NULL DEFAULT 0,
    DaOre               DATETIME,
    AOre                DATETIME,
    Pren_DaOre          DATETIME,
    Pren_AOre           DATETIME,
    Singola             INTEGER NOT NULL DEFAULT 0,
    Pass                INTEGER NOT NULL DEFAULT 0,
    Terminale           INTEGER NOT NULL DEFAULT 0,
    Esterna             INTEGER NOT NULL DEFAULT 0,
    NoVerifica          INTEGER NOT NULL DEFAULT 0,
    Con_Accompagnatore  INTEGER NOT NULL DEFAULT 0,
    APrenotazione       INTEGER NOT NULL DEFAULT 0,
    Ingresso_Scalato    INTEGER NOT NULL DEFAULT 0
);

-- Allocation of a points debit: Tipo 1 subscription (Codice_Iscrizione), 2 package
-- (ID_Aggiunta holds the package's ID_Pacchetto).
CREATE TABLE wTmp_Punti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Tipo                INTEGER NOT NULL DEFAULT 1,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL,
    ID_Aggiunta         INTEGER NOT NULL DEFAULT 0,
    Punti_Uti           INTEGER NOT NULL DEFAULT 0,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL
);

-- Activities already given one staging row in the facility check.
CREATE TABLE wTmp_Strutture (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Attivita     VARCHAR(10) COLLATE TSQL
);

-- =====================================================================================
-- wCab_: fixed code tables
-- =====================================================================================

-- Label formats and the report that prints each.
CREATE TABLE wCab_FormatoEtichette (
    Codice              INTEGER PRIMARY KEY,
    Descrizione         VARCHAR(50) COLLATE TSQL,
    NomeReport          VARCHAR(100) COLLATE TSQL
);

-- Fee modalities of Giornale and their descriptions (Descrizi2: the terminal text).
CREATE TABLE wCab_Modalita_Verifiche (
    Modalita            INTEGER PRIMARY KEY,
    Descrizione         VARCHAR(100) COLLATE TSQL,
    Descrizi2           VARCHAR(50) COLLATE TSQL
);

-- =====================================================================================
-- wSys_: system tables
-- =====================================================================================

-- Special cards: Tipo_Op 1 deletes the sales marked for deletion.
CREATE TABLE wSys_SpecialCards (
    Codice_Card         VARCHAR(30) COLLATE TSQL NOT NULL PRIMARY KEY,
    Tipo_Op             INTEGER NOT NULL DEFAULT 0,
    Descrizione         VARCHAR(100) COLLATE TSQL
);

-- Triggers switched off (ALTER TABLE ... DISABLE TRIGGER); a listed trigger does not fire.
CREATE TABLE wSys_Trigger_Disabilitati (
    Nome_Trigger        TEXT PRIMARY KEY
);

-- What the delete triggers did: one row per deleted row.
CREATE TABLE wSys_Log_Trigger (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Nome_Trigger        VARCHAR(100) COLLATE TSQL,
    Tabella             VARCHAR(100) COLLATE TSQL,
    ID_Riga             INTEGER,
    Data                DATETIME
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
    Codice_Centro               VARCHAR(10) COLLATE TSQL,
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
    Struttura_Biglietti         VARCHAR(10) COLLATE TSQL,
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

-- Attendances: one row per visit, ID_Presenza drawn from Contatori (Cd_Tipo 22).
CREATE TABLE Presenze (
    ID_Presenza         INTEGER NOT NULL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Data_Presenza       DATETIME,
    Ora_Presenza        DATETIME,
    Fuori_Orario        INTEGER NOT NULL DEFAULT 0,
    Iscrizione_Scaduta  INTEGER NOT NULL DEFAULT 0,
    Ex_Terminali        INTEGER NOT NULL DEFAULT 0,
    Codice_Centro       VARCHAR(10) COLLATE TSQL,
    IndTerminale        INTEGER NOT NULL DEFAULT 0,
    Codice_Tessera      VARCHAR(30) COLLATE TSQL,
    Note_Tessera        TEXT COLLATE TSQL
);

-- One row per facility, course or service used by a visit. Tipologia: 1 facility,
-- 2 course, 3 service, 4 ticket. Iscrizione: the subscription code that paid.
CREATE TABLE Presenze_Strutture (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_Presenza         INTEGER NOT NULL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Tipologia           INTEGER NOT NULL DEFAULT 1,
    Pagato              BIT NOT NULL DEFAULT 0,
    Iscrizione          VARCHAR(20) COLLATE TSQL,
    Costo_Presenza      MONEY NOT NULL DEFAULT 0,
    Ora_Presenza        DATETIME,
    ID_Aggiunta         INTEGER NOT NULL DEFAULT 0,
    ID_Pacchetto        INTEGER NOT NULL DEFAULT 0,
    ID_Biglietto        INTEGER NOT NULL DEFAULT 0,
    Codice_Centro       VARCHAR(10) COLLATE TSQL,
    IndTerminale        INTEGER NOT NULL DEFAULT 0,
    ID_Entrata          INTEGER NOT NULL DEFAULT 0
);

-- Subscription lines: one row per subscription code, line number and facility.
-- TipoSedute 2: the line counts entries (Sedute bought, SeduteFatte used; 0 unlimited).
CREATE TABLE Iscrizioni_Strutture (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL NOT NULL,
    Prog_Riga           INTEGER NOT NULL DEFAULT 1,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Tipologia           INTEGER NOT NULL DEFAULT 1,
    Data_Inizio         DATETIME,
    Data_Fine           DATETIME,
    Scaduta             BIT NOT NULL DEFAULT 0,
    Chiusa              BIT NOT NULL DEFAULT 0,
    Data_Scadenza       DATETIME,
    TipoSedute          INTEGER NOT NULL DEFAULT 1,
    Sedute              INTEGER NOT NULL DEFAULT 0,
    SeduteFatte         INTEGER NOT NULL DEFAULT 0,
    Giornaliero         BIT NOT NULL DEFAULT 0
);

-- Members of a facility booking (ID_PivotPrenotazione = Gestione_Prenotazioni.ID) and
-- the entitlement that pays for it.
CREATE TABLE Booking_Clienti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_PivotPrenotazione INTEGER NOT NULL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL,
    ID_Iscrizione       INTEGER NOT NULL DEFAULT 0,
    ID_Aggiunta         INTEGER NOT NULL DEFAULT 0,
    Enroll              BIT NOT NULL DEFAULT 0,
    Usata               BIT NOT NULL DEFAULT 0,
    Ingresso            INTEGER NOT NULL DEFAULT 0,
    Ingresso_Scalato    BIT NOT NULL DEFAULT 0,
    Punti_Uti           INTEGER NOT NULL DEFAULT 0
);

-- Slots booked on each sub-facility, as the booking terminals see them.
CREATE TABLE Agenda_Struttura (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Cd_SubStruttura     INTEGER NOT NULL,
    Data_Prenotazione   DATETIME,
    DaOre               DATETIME,
    AOre                DATETIME,
    ID_PivotPrenotazione INTEGER NOT NULL DEFAULT 0
);

-- Ledger of fees and events by modality (2, 3, 14, 19-21 fixed-fee renewals, 4-9, 11,
-- 15, 17, 18, 22 instalments and other fees, 10 out-of-band entry, 12 suspended entry).
-- An item is open while it sits here; Importo_DaPagare is what is still owed.
CREATE TABLE Giornale (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Modalita            INTEGER NOT NULL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Codice1_S           VARCHAR(30) COLLATE TSQL,
    Codice1_N           INTEGER,
    Data_Scadenza       DATETIME,
    DaOre               DATETIME,
    Importo_DaPagare    MONEY NOT NULL DEFAULT 0,
    Descrizione         VARCHAR(100) COLLATE TSQL,
    Codice_Centro       VARCHAR(10) COLLATE TSQL
);

-- Time-band control rows: Modalita 1 band of an accompanied activity, 2 latest exit
-- time (AOre) of an open stay, of a staff stay or of a ticket entry (ID_Biglietto).
CREATE TABLE Controllo_Fascia_Oraria (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Modalita            INTEGER NOT NULL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Codice              VARCHAR(10) COLLATE TSQL,
    Data_Presenza       DATETIME,
    DaOre               DATETIME,
    AOre                DATETIME,
    Ora_Presenza        DATETIME,
    IndTerminale        INTEGER NOT NULL DEFAULT 0,
    ID_Presenza         INTEGER NOT NULL DEFAULT 0,
    Punti               INTEGER NOT NULL DEFAULT 0,
    Codice_Bis          VARCHAR(50) COLLATE TSQL,
    ID_Entrata          INTEGER NOT NULL DEFAULT 0,
    ID_Biglietto        INTEGER NOT NULL DEFAULT 0
);

-- Entry log read by the desk programs (Uscita 1: an exit).
CREATE TABLE Log_Entrate (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Cognome             VARCHAR(50) COLLATE TSQL,
    Nome                VARCHAR(50) COLLATE TSQL,
    Data_Presenza       DATETIME,
    Ora_Presenza        DATETIME,
    Semaforo1           INTEGER NOT NULL DEFAULT 0,
    Semaforo2           INTEGER NOT NULL DEFAULT 0,
    Semaforo3           INTEGER NOT NULL DEFAULT 0,
    Semaforo4           INTEGER NOT NULL DEFAULT 0,
    Irregolare1         INTEGER NOT NULL DEFAULT 0,
    Irregolare2         INTEGER NOT NULL DEFAULT 0,
    Irregolare3         INTEGER NOT NULL DEFAULT 0,
    Irregolare4         INTEGER NOT NULL DEFAULT 0,
    Irregolare5         INTEGER NOT NULL DEFAULT 0,
    Irregolare6         INTEGER NOT NULL DEFAULT 0,
    Irregolare7         INTEGER NOT NULL DEFAULT 0,
    Irregolare8         INTEGER NOT NULL DEFAULT 0,
    Irregolare9         INTEGER NOT NULL DEFAULT 0,
    Irregolare10        INTEGER NOT NULL DEFAULT 0,
    ID_Presenza         INTEGER NOT NULL DEFAULT 0,
    DesIrregolari       TEXT COLLATE TSQL,
    DesIrregolari_Att   VARCHAR(255) COLLATE TSQL,
    DesIrregolari_Abb   VARCHAR(255) COLLATE TSQL,
    DesIrregolari_Scad  DATETIME,
    Rinnovo             INTEGER NOT NULL DEFAULT 0,
    IndTerminale        INTEGER NOT NULL DEFAULT 0,
    Uscita              INTEGER NOT NULL DEFAULT 0
);

-- Raw log of member passes at terminals (read back by the points and companion rules).
CREATE TABLE Log_Terminali_Presenze (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Data_Presenza       DATETIME,
    Ora_Presenza        DATETIME,
    IndTerminale        INTEGER NOT NULL DEFAULT 0,
    Codice_Bis          VARCHAR(50) COLLATE TSQL,
    Codice_Tessera      VARCHAR(50) COLLATE TSQL,
    Tipologia           INTEGER NOT NULL DEFAULT 0,
    Accompagnatore      INTEGER NOT NULL DEFAULT 0
);

-- Activities admitted at facility terminals.
CREATE TABLE Log_Terminali (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Data_Presenza       DATETIME,
    Ora_Presenza        DATETIME,
    IndTerminale        INTEGER NOT NULL DEFAULT 0
);

-- Points movements (Op 1004: charge at an entry terminal).
CREATE TABLE Log_Punti_Clienti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Op                  INTEGER NOT NULL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Data_Log            DATETIME,
    Ora_Log             DATETIME,
    Punti               INTEGER NOT NULL DEFAULT 0,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Dati_Cliente        VARCHAR(100) COLLATE TSQL,
    Dati_Struttura      VARCHAR(100) COLLATE TSQL,
    Descrizi            VARCHAR(255) COLLATE TSQL,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL,
    ID_Pacchetto        INTEGER NOT NULL DEFAULT 0,
    Codice_Servizio     VARCHAR(10) COLLATE TSQL
);

-- Snapshot of the 22 irregularity codes of an irregular entry.
CREATE TABLE Storia_Clienti_Irregolari (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_Presenza         INTEGER NOT NULL DEFAULT 0,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Data_Presenza       DATETIME,
    Ora_Presenza        DATETIME,
    Campo1  INTEGER NOT NULL DEFAULT 0, Campo2  INTEGER NOT NULL DEFAULT 0,
    Campo3  INTEGER NOT NULL DEFAULT 0, Campo4  INTEGER NOT NULL DEFAULT 0,
    Campo5  INTEGER NOT NULL DEFAULT 0, Campo6  INTEGER NOT NULL DEFAULT 0,
    Campo7  INTEGER NOT NULL DEFAULT 0, Campo8  INTEGER NOT NULL DEFAULT 0,
    Campo9  INTEGER NOT NULL DEFAULT 0, Campo10 INTEGER NOT NULL DEFAULT 0,
    Campo11 INTEGER NOT NULL DEFAULT 0, Campo12 INTEGER NOT NULL DEFAULT 0,
    Campo13 INTEGER NOT NULL DEFAULT 0, Campo14 INTEGER NOT NULL DEFAULT 0,
    Campo15 INTEGER NOT NULL DEFAULT 0, Campo16 INTEGER NOT NULL DEFAULT 0,
    Campo17 INTEGER NOT NULL DEFAULT 0, Campo18 INTEGER NOT NULL DEFAULT 0,
    Campo19 INTEGER NOT NULL DEFAULT 0, Campo20 INTEGER NOT NULL DEFAULT 0,
    Campo21 INTEGER NOT NULL DEFAULT 0, Campo22 INTEGER NOT NULL DEFAULT 0,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL
);

-- Manual use of a machine by staff at a booking terminal.
CREATE TABLE Utilizzo_Manuale_Strutture (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice              VARCHAR(20) COLLATE TSQL,
    Tipologia           INTEGER NOT NULL DEFAULT 0,
    Data_Utilizzo       DATETIME,
    Ora_Utilizzo        DATETIME,
    Cd_SubStruttura     INTEGER NOT NULL DEFAULT 0
);

-- Lesson timetable of the courses: weekly (GiornoSettimana, Monday 1) or on one date
-- (Data_Selezione), between DaData and AData, from DaOre to AOre, in a facility.
CREATE TABLE Orario_Istruttori_Corsi (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Corso        VARCHAR(10) COLLATE TSQL NOT NULL,
    Codice_Istruttore   VARCHAR(20) COLLATE TSQL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    GiornoSettimana     INTEGER NOT NULL DEFAULT 0,
    Data_Selezione      DATETIME,
    DaData              DATETIME,
    AData               DATETIME,
    DaOre               DATETIME,
    AOre                DATETIME
);

-- Timetable of the services, as for courses.
CREATE TABLE Orario_Servizi (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Servizio     VARCHAR(10) COLLATE TSQL NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    GiornoSettimana     INTEGER NOT NULL DEFAULT 0,
    Data_Selezione      DATETIME,
    DaData              DATETIME,
    AData               DATETIME,
    DaOre               DATETIME,
    AOre                DATETIME
);

-- Weekly course enrolments of members (ID_Corso = Orario_Istruttori_Corsi.ID).
CREATE TABLE Clienti_Frequenze_Corsi (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Corso        VARCHAR(10) COLLATE TSQL,
    ID_Corso            INTEGER NOT NULL DEFAULT 0,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL,
    ID_Iscrizione       INTEGER NOT NULL DEFAULT 0,
    ID_Aggiunta         INTEGER NOT NULL DEFAULT 0,
    InUso               BIT NOT NULL DEFAULT 0,
    Enroll              BIT NOT NULL DEFAULT 0
);

-- Weekly service enrolments (ID_Servizio = Orario_Servizi.ID).
CREATE TABLE Clienti_Frequenze_Servizi (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Servizio     VARCHAR(10) COLLATE TSQL,
    ID_Servizio         INTEGER NOT NULL DEFAULT 0,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL,
    ID_Iscrizione       INTEGER NOT NULL DEFAULT 0,
    ID_Aggiunta         INTEGER NOT NULL DEFAULT 0,
    InUso               BIT NOT NULL DEFAULT 0,
    Enroll              BIT NOT NULL DEFAULT 0
);

-- Make-up lessons: the lesson (ID_Corso) made up, valid Data_Inizio..Data_Fine, for a
-- subscription line (Codice_Iscrizione, ID_Iscrizione) or an add-on (ID_Aggiunta);
-- ID_Aggiunta2 is the voucher add-on.
CREATE TABLE Clienti_Recuperi_Corsi (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Corso        VARCHAR(10) COLLATE TSQL,
    ID_Corso            INTEGER NOT NULL DEFAULT 0,
    Codice_Iscrizione   VARCHAR(20) COLLATE TSQL,
    ID_Iscrizione       INTEGER NOT NULL DEFAULT 0,
    ID_Aggiunta         INTEGER NOT NULL DEFAULT 0,
    ID_Aggiunta2        INTEGER NOT NULL DEFAULT 0,
    Data_Inizio         DATETIME,
    Data_Fine           DATETIME,
    Enroll              BIT NOT NULL DEFAULT 0
);

-- Day and time bands (DDSettimana 1-7 Monday to Sunday, 8 holidays) of subscription
-- types; the _Righe tables per facility; packages and add-ons likewise.
CREATE TABLE Giorni_DD_Fasce_Abbonamenti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL NOT NULL,
    DDSettimana         INTEGER NOT NULL,
    Fascia_Ini          DATETIME,
    Fascia_Fin          DATETIME
);

CREATE TABLE Giorni_DD_Fasce_Abbonamenti_Righe (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    DDSettimana         INTEGER NOT NULL,
    Fascia_Ini          DATETIME,
    Fascia_Fin          DATETIME
);

CREATE TABLE Giorni_DD_Fasce_Pacchetti_Righe (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Pacchetto    VARCHAR(20) COLLATE TSQL,
    Codice_PacchettoM   VARCHAR(20) COLLATE TSQL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    DDSettimana         INTEGER NOT NULL,
    Fascia_Ini          DATETIME,
    Fascia_Fin          DATETIME
);

CREATE TABLE Giorni_DD_Fasce_Aggiunte_Righe (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_Aggiunta         INTEGER NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    DDSettimana         INTEGER NOT NULL,
    Fascia_Ini          DATETIME,
    Fascia_Fin          DATETIME
);

-- Time bands valid on every day.
CREATE TABLE FasceOrarie_Abbonamenti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL NOT NULL,
    Fascia_Ini          DATETIME,
    Fascia_Fin          DATETIME
);

CREATE TABLE FasceOrarie_Abbonamenti_Righe (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Fascia_Ini          DATETIME,
    Fascia_Fin          DATETIME
);

CREATE TABLE FasceOrarie_Pacchetti_Righe (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Pacchetto    VARCHAR(20) COLLATE TSQL,
    Codice_PacchettoM   VARCHAR(20) COLLATE TSQL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Fascia_Ini          DATETIME,
    Fascia_Fin          DATETIME
);

CREATE TABLE FasceOrarie_Aggiunte_Righe (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    ID_Aggiunta         INTEGER NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL,
    Fascia_Ini          DATETIME,
    Fascia_Fin          DATETIME
);

-- Per-facility frequency overrides of subscription types.
CREATE TABLE Abbonamenti_Strutture (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL NOT NULL,
    FrequenzaDD         INTEGER NOT NULL DEFAULT 0,
    ID_Intervallo       INTEGER NOT NULL DEFAULT 0,
    Tempo_Permanenza    INTEGER NOT NULL DEFAULT 0
);

-- Per-facility data of multi-activity packages.
CREATE TABLE Strutture_Pacchetti_Multipli (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_PacchettoM   VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL NOT NULL,
    FrequenzaDD         INTEGER NOT NULL DEFAULT 0,
    ID_Intervallo       INTEGER NOT NULL DEFAULT 0,
    Tempo_Permanenza    INTEGER NOT NULL DEFAULT 0
);

-- Facilities whose activities also count at another facility's terminal, by priority.
CREATE TABLE Strutture_Associate (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL NOT NULL,
    Codice_Struttura_Associata VARCHAR(10) COLLATE TSQL NOT NULL,
    Priorita            INTEGER NOT NULL DEFAULT 0
);

-- Activities (facility, course or service codes) practised in a facility.
CREATE TABLE Attivita_Strutture (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice              VARCHAR(10) COLLATE TSQL NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL NOT NULL
);

-- Courses and services admitted at a facility's terminal, and at its associated ones.
CREATE TABLE Attivita_Terminali (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice              VARCHAR(10) COLLATE TSQL NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL NOT NULL
);

CREATE TABLE Attivita_Terminali_Strutture_Associate (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice              VARCHAR(10) COLLATE TSQL NOT NULL,
    Codice_Struttura    VARCHAR(10) COLLATE TSQL NOT NULL
);

-- Terminals where a ticket type is valid (none listed: everywhere).
CREATE TABLE Biglietti_Terminali (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Biglietto    VARCHAR(20) COLLATE TSQL NOT NULL,
    ID_Terminale        INTEGER NOT NULL
);

-- Weekly entry bands of a ticket type (DDSettimana Monday 1).
CREATE TABLE Biglietti_FasceOrarie (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Biglietto    VARCHAR(20) COLLATE TSQL NOT NULL,
    DDSettimana         INTEGER NOT NULL,
    Ingresso_Da         DATETIME,
    Ingresso_A          DATETIME
);

-- Visit-frequency intervals: DDIntervallo units of Periodo_SMA (1 day, 2 week, 3 month,
-- 4 year); the weekday flags say which days count.
CREATE TABLE Intervalli_DD (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Descrizione         VARCHAR(50) COLLATE TSQL,
    DDIntervallo        INTEGER NOT NULL DEFAULT 1,
    Periodo_SMA         INTEGER NOT NULL DEFAULT 2,
    Lun                 BIT NOT NULL DEFAULT 0,
    Mar                 BIT NOT NULL DEFAULT 0,
    Mer                 BIT NOT NULL DEFAULT 0,
    Gio                 BIT NOT NULL DEFAULT 0,
    Ven                 BIT NOT NULL DEFAULT 0,
    Sab                 BIT NOT NULL DEFAULT 0,
    Dom                 BIT NOT NULL DEFAULT 0
);

-- Excluded periods: every day in them counts as a holiday.
CREATE TABLE Periodi_Esclusi (
    ID_Periodo          INTEGER PRIMARY KEY AUTOINCREMENT,
    Descrizione         VARCHAR(50) COLLATE TSQL,
    Inizio_Periodo      DATETIME,
    Fine_Periodo        DATETIME
);

-- Closures of an area (Codice; '00000' every area) on a weekday (0 every day) between two
-- dates and two times (end exclusive).
CREATE TABLE Periodi_NonPrenotabili (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Motivo              VARCHAR(100) COLLATE TSQL,
    Codice              VARCHAR(10) COLLATE TSQL NOT NULL,
    GiornoSettimana     INTEGER NOT NULL DEFAULT 0,
    Data_Inizio         DATETIME,
    Data_Fine           DATETIME,
    Ora_Inizio          DATETIME,
    Ora_Fine            DATETIME
);

-- Messages for members; a blocking unread message refuses entry.
CREATE TABLE Messaggi_Clienti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Data_Messaggio      DATETIME,
    Messaggio           TEXT COLLATE TSQL,
    Bloccante           BIT NOT NULL DEFAULT 0,
    Ricevuto            BIT NOT NULL DEFAULT 0
);

-- Additional cards of members.
CREATE TABLE Tessere_Aggiuntive (
    Codice_Tessera      VARCHAR(30) COLLATE TSQL NOT NULL PRIMARY KEY,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL NOT NULL,
    Notes               VARCHAR(255) COLLATE TSQL
);

-- Discounts of a promotion per subscription type (or Tipologia 3: article groups).
CREATE TABLE Promozioni_Abbonamenti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Promo        VARCHAR(20) COLLATE TSQL NOT NULL,
    Tipologia           INTEGER NOT NULL DEFAULT 1,
    Codice_Abbonamento  VARCHAR(20) COLLATE TSQL,
    Sconto              FLOAT NOT NULL DEFAULT 0,
    Durata              INTEGER NOT NULL DEFAULT 0,
    UMTemporale         INTEGER NOT NULL DEFAULT 0,
    Codice_Articolo     VARCHAR(20) COLLATE TSQL
);

-- Bills of articles: the children of a parent article.
CREATE TABLE Distinte_Articoli (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Codice_Padre        VARCHAR(20) COLLATE TSQL NOT NULL,
    Codice_Figlio       VARCHAR(20) COLLATE TSQL NOT NULL,
    Quantita            FLOAT NOT NULL DEFAULT 1
);

-- Accounting movements (Tipologia 13: money-card payment; CodiceN the card).
CREATE TABLE PN_Movimenti (
    ID                  INTEGER PRIMARY KEY AUTOINCREMENT,
    Tipologia           INTEGER NOT NULL,
    Codice_Cliente      VARCHAR(20) COLLATE TSQL,
    Codice_Struttura    VARCHAR(20) COLLATE TSQL,
    CodiceN             INTEGER NOT NULL DEFAULT 0,
    Codice2N            INTEGER NOT NULL DEFAULT 0,
    Data_Mov            DATETIME,
    Ora_Mov             DATETIME,
    Qta                 FLOAT NOT NULL DEFAULT 1,
    Prezzo_Unitario     MONEY NOT NULL DEFAULT 0,
    Importo             MONEY NOT NULL DEFAULT 0,
    DareAvere           INTEGER NOT NULL DEFAULT 1,
    Automatico          BIT NOT NULL DEFAULT 0,
    Data_Pagamento      DATETIME,
    Ora_Pagamento       DATETIME,
    Pagato              BIT NOT NULL DEFAULT 0,
    ID_TipoMC           INTEGER
);

-- =====================================================================================
-- Views
-- =====================================================================================

-- Members with a subscription bought in advance: one that starts after the end of another
-- of their subscriptions still in force (the renewal flag of the terminal display).
CREATE VIEW Q_ClientiFuturi AS
SELECT DISTINCT f.Codice_Cliente, f.Codice_Iscrizione, f.Codice_Abbonamento, f.Descrizione,
       f.Data_Inizio, f.Data_Fine
FROM Gestione_Iscrizioni AS f
WHERE f.Scaduta = 0
  AND EXISTS (SELECT 1 FROM Gestione_Iscrizioni AS c
              WHERE c.Codice_Cliente = f.Codice_Cliente AND c.Cd_Iscrizione <> f.Cd_Iscrizione
                AND c.Scaduta = 0 AND c.Data_Fine IS NOT NULL AND f.Data_Inizio > c.Data_Fine);

-- Every activity a member holds an entry right for: open subscription lines and add-ons.
CREATE VIEW Q_Ingressi_Accessi AS
SELECT Codice_Cliente, Codice_Struttura, Tipologia, Codice_Iscrizione, 0 AS ID_Aggiunta,
       Data_Inizio, Data_Fine, 'Abbonamento' AS Origine
FROM Iscrizioni_Strutture
WHERE Scaduta = 0 AND Chiusa = 0
UNION ALL
SELECT Codice_Cliente, Codice_Struttura, 0 AS Tipologia, NULL AS Codice_Iscrizione, ID AS ID_Aggiunta,
       Data_Inizio, Data_Fine, 'Aggiunta' AS Origine
FROM Gestione_Aggiunte
WHERE Scaduta = 0;

-- Attendances with the activity each one used.
CREATE VIEW Q_Presenze_Attivita AS
SELECT Presenze.ID_Presenza, Presenze.Codice_Cliente, Presenze.Data_Presenza, Presenze.Ora_Presenza,
       Presenze_Strutture.Codice_Struttura, Presenze_Strutture.Tipologia, Presenze_Strutture.Iscrizione,
       Presenze_Strutture.ID_Aggiunta, Presenze_Strutture.ID_Pacchetto, Presenze_Strutture.ID_Biglietto,
       Presenze_Strutture.IndTerminale, Presenze_Strutture.ID_Entrata
FROM Presenze INNER JOIN Presenze_Strutture ON Presenze.ID_Presenza = Presenze_Strutture.ID_Presenza;

-- The area (Codice_Area) of each facility, course and service that has one.
CREATE VIEW Q_Attivita_Aree AS
SELECT Codice_Struttura AS Attivita, Codice_Area, Descrizione, 1 AS Tipologia
FROM Anagrafica_Strutture WHERE Codice_Area IS NOT NULL
UNION ALL
SELECT Codice_Corso, Codice_Area, Descrizione, 2 FROM Anagrafica_Corsi WHERE Codice_Area IS NOT NULL
UNION ALL
SELECT Codice_Servizio, Codice_Area, Descrizione, 3 FROM Anagrafica_Servizi WHERE Codice_Area IS NOT NULL;

-- Work-table companions: rows are inserted through wTmp_X_SQL; columns left out of an
-- insert take the table's defaults.

CREATE VIEW wTmp_ArticoliTerminali_SQL AS SELECT * FROM wTmp_ArticoliTerminali;

CREATE TRIGGER wTmp_ArticoliTerminali_SQL_Insert INSTEAD OF INSERT ON wTmp_ArticoliTerminali_SQL
BEGIN
    INSERT INTO wTmp_ArticoliTerminali (
        ID, Indirizzo, Codice_Cliente, Codice_Articolo, Qta, Prezzo_Unitario, Cd_IVA)
    VALUES (
        NEW.ID, coalesce(NEW.Indirizzo, 0), NEW.Codice_Cliente, NEW.Codice_Articolo,
        coalesce(NEW.Qta, 1), coalesce(NEW.Prezzo_Unitario, 0), NEW.Cd_IVA);
END;

CREATE TRIGGER wTmp_ArticoliTerminali_SQL_Update INSTEAD OF UPDATE ON wTmp_ArticoliTerminali_SQL
BEGIN
    UPDATE wTmp_ArticoliTerminali SET
        Indirizzo = NEW.Indirizzo, Codice_Cliente = NEW.Codice_Cliente,
        Codice_Articolo = NEW.Codice_Articolo, Qta = NEW.Qta,
        Prezzo_Unitario = NEW.Prezzo_Unitario, Cd_IVA = NEW.Cd_IVA
    WHERE ID = OLD.ID;
END;

CREATE TRIGGER wTmp_ArticoliTerminali_SQL_Delete INSTEAD OF DELETE ON wTmp_ArticoliTerminali_SQL
BEGIN
    DELETE FROM wTmp_ArticoliTerminali WHERE ID = OLD.ID;
END;

CREATE VIEW wTmp_Attivita_Strutture_SQL AS SELECT * FROM wTmp_Attivita_Strutture;

CREATE TRIGGER wTmp_Attivita_Strutture_SQL_Insert INSTEAD OF INSERT ON wTmp_Attivita_Strutture_SQL
BEGIN
    INSERT INTO wTmp_Attivita_Strutture (
        IDK, Codice, Codice_Struttura, Tipo, S1, S2, S3, S4, S5, S6)
    VALUES (
        NEW.IDK, NEW.Codice, NEW.Codice_Struttura, coalesce(NEW.Tipo, 1), coalesce(NEW.S1, 0),
        coalesce(NEW.S2, 0), coalesce(NEW.S3, 0), coalesce(NEW.S4, 0), coalesce(NEW.S5, 0),
        coalesce(NEW.S6, 0));
END;

CREATE TRIGGER wTmp_Attivita_Strutture_SQL_Update INSTEAD OF UPDATE ON wTmp_Attivita_Strutture_SQL
BEGIN
    UPDATE wTmp_Attivita_Strutture SET
        Codice = NEW.Codice, Codice_Struttura = NEW.Codice_Struttura, Tipo = NEW.Tipo,
        S1 = NEW.S1, S2 = NEW.S2, S3 = NEW.S3, S4 = NEW.S4, S5 = NEW.S5, S6 = NEW.S6
    WHERE IDK = OLD.IDK;
END;

CREATE TRIGGER wTmp_Attivita_Strutture_SQL_Delete INSTEAD OF DELETE ON wTmp_Attivita_Strutture_SQL
BEGIN
    DELETE FROM wTmp_Attivita_Strutture WHERE IDK = OLD.IDK;
END;

CREATE VIEW wTmp_DatiAccessi_SQL AS SELECT * FROM wTmp_DatiAccessi;

CREATE TRIGGER wTmp_DatiAccessi_SQL_Insert INSTEAD OF INSERT ON wTmp_DatiAccessi_SQL
BEGIN
    INSERT INTO wTmp_DatiAccessi (
        ID, Completo, Codice_Tessera, Codice, Cognome, Nome, Indirizzo, Data_Entrata,
        Ora_Entrata, Data_Ultima_Entrata, Ora_Ultima_Entrata, Codice_Abbonamento,
        DesAbbonamento, Stato, Foto, Scadenza, DesStato, Codice_Iscrizione, TestoIrr,
        Codice_Consulente, Sem1, Sem2, Sem3, Sospeso, Messaggio, ASeduta, Struttura_Ingresso,
        Entrata, Terminale, CheckOut, Monitor_Aggiuntivo, TestoIrr_Push)
    VALUES (
        NEW.ID, coalesce(NEW.Completo, 0), NEW.Codice_Tessera, NEW.Codice, NEW.Cognome,
        NEW.Nome, NEW.Indirizzo, NEW.Data_Entrata, NEW.Ora_Entrata, NEW.Data_Ultima_Entrata,
        NEW.Ora_Ultima_Entrata, NEW.Codice_Abbonamento, NEW.DesAbbonamento,
        coalesce(NEW.Stato, 0), NEW.Foto, NEW.Scadenza, NEW.DesStato, NEW.Codice_Iscrizione,
        coalesce(NEW.TestoIrr, ''), NEW.Codice_Consulente, coalesce(NEW.Sem1, 0),
        coalesce(NEW.Sem2, 0), coalesce(NEW.Sem3, 0), coalesce(NEW.Sospeso, 0),
        coalesce(NEW.Messaggio, 0), coalesce(NEW.ASeduta, 0), NEW.Struttura_Ingresso,
        NEW.Entrata, coalesce(NEW.Terminale, 0), coalesce(NEW.CheckOut, 0),
        coalesce(NEW.Monitor_Aggiuntivo, 0), NEW.TestoIrr_Push);
END;

CREATE TRIGGER wTmp_DatiAccessi_SQL_Update INSTEAD OF UPDATE ON wTmp_DatiAccessi_SQL
BEGIN
    UPDATE wTmp_DatiAccessi SET
        Completo = NEW.Completo, Codice_Tessera = NEW.Codice_Tessera, Codice = NEW.Codice,
        Cognome = NEW.Cognome, Nome = NEW.Nome, Indirizzo = NEW.Indirizzo,
        Data_Entrata = NEW.Data_Entrata, Ora_Entrata = NEW.Ora_Entrata,
        Data_Ultima_Entrata = NEW.Data_Ultima_Entrata,
        Ora_Ultima_Entrata = NEW.Ora_Ultima_Entrata,
        Codice_Abbonamento = NEW.Codice_Abbonamento, DesAbbonamento = NEW.DesAbbonamento,
        Stato = NEW.Stato, Foto = NEW.Foto, Scadenza = NEW.Scadenza, DesStato = NEW.DesStato,
        Codice_Iscrizione = NEW.Codice_Iscrizione, TestoIrr = NEW.TestoIrr,
        Codice_Consulente = NEW.Codice_Consulente, Sem1 = NEW.Sem1, Sem2 = NEW.Sem2,
        Sem3 = NEW.Sem3, Sospeso = NEW.Sospeso, Messaggio = NEW.Messaggio,
        ASeduta = NEW.ASeduta, Struttura_Ingresso = NEW.Struttura_Ingresso,
        Entrata = NEW.Entrata, Terminale = NEW.Terminale, CheckOut = NEW.CheckOut,
        Monitor_Aggiuntivo = NEW.Monitor_Aggiuntivo, TestoIrr_Push = NEW.TestoIrr_Push
    WHERE ID = OLD.ID;
END;

CREATE TRIGGER wTmp_DatiAccessi_SQL_Delete INSTEAD OF DELETE ON wTmp_DatiAccessi_SQL
BEGIN
    DELETE FROM wTmp_DatiAccessi WHERE ID = OLD.ID;
END;

CREATE VIEW wTmp_Distinte_SQL AS SELECT * FROM wTmp_Distinte;

CREATE TRIGGER wTmp_Distinte_SQL_Insert INSTEAD OF INSERT ON wTmp_Distinte_SQL
BEGIN
    INSERT INTO wTmp_Distinte (
        ID, Cd_Radice, Cd_Padre, Cd_Figlio, Livello_figlio, Livello_padre, Prodotto_figlio,
        Foglia)
    VALUES (
        NEW.ID, NEW.Cd_Radice, NEW.Cd_Padre, NEW.Cd_Figlio, coalesce(NEW.Livello_figlio, 0),
        coalesce(NEW.Livello_padre, 0), coalesce(NEW.Prodotto_figlio, 1),
        coalesce(NEW.Foglia, 0));
END;

CREATE TRIGGER wTmp_Distinte_SQL_Update INSTEAD OF UPDATE ON wTmp_Distinte_SQL
BEGIN
    UPDATE wTmp_Distinte SET
        Cd_Radice = NEW.Cd_Radice, Cd_Padre = NEW.Cd_Padre, Cd_Figlio = NEW.Cd_Figlio,
        Livello_figlio = NEW.Livello_figlio, Livello_padre = NEW.Livello_padre,
        Prodotto_figlio = NEW.Prodotto_figlio, Foglia = NEW.Foglia
    WHERE ID = OLD.ID;
END;

CREATE TRIGGER wTmp_Distinte_SQL_Delete INSTEAD OF DELETE ON wTmp_Distinte_SQL
BEGIN
    DELETE FROM wTmp_Distinte WHERE ID = OLD.ID;
END;

CREATE VIEW wTmp_Formule_SQL AS SELECT * FROM wTmp_Formule;

CREATE TRIGGER wTmp_Formule_SQL_Insert INSTEAD OF INSERT ON wTmp_Formule_SQL
BEGIN
    INSERT INTO wTmp_Formule (
        ID, Codice)
    VALUES (
        NEW.ID, NEW.Codice);
END;

CREATE TRIGGER wTmp_Formule_SQL_Update INSTEAD OF UPDATE ON wTmp_Formule_SQL
BEGIN
    UPDATE wTmp_Formule SET
        Codice = NEW.Codice
    WHERE ID = OLD.ID;
END;

CREATE TRIGGER wTmp_Formule_SQL_Delete INSTEAD OF DELETE ON wTmp_Formule_SQL
BEGIN
    DELETE FROM wTmp_Formule WHERE ID = OLD.ID;
END;

CREATE VIEW wTmp_Letture_SQL AS SELECT * FROM wTmp_Letture;

CREATE TRIGGER wTmp_Letture_SQL_Insert INSTEAD OF INSERT ON wTmp_Letture_SQL
BEGIN
    INSERT INTO wTmp_Letture (
        ID, Indirizzo, Codice, Data_Lettura, Ora_Lettura)
    VALUES (
        NEW.ID, coalesce(NEW.Indirizzo, 0), NEW.Codice, NEW.Data_Lettura, NEW.Ora_Lettura);
END;

CREATE TRIGGER wTmp_Letture_SQL_Update INSTEAD OF UPDATE ON wTmp_Letture_SQL
BEGIN
    UPDATE wTmp_Letture SET
        Indirizzo = NEW.Indirizzo, Codice = NEW.Codice, Data_Lettura = NEW.Data_Lettura,
        Ora_Lettura = NEW.Ora_Lettura
    WHERE ID = OLD.ID;
END;

CREATE TRIGGER wTmp_Letture_SQL_Delete INSTEAD OF DELETE ON wTmp_Letture_SQL
BEGIN
    DELETE FROM wTmp_Letture WHERE ID = OLD.ID;
END;

CREATE VIEW wTmp_ModPrezzi_SQL AS SELECT * FROM wTmp_ModPrezzi;

CREATE TRIGGER wTmp_ModPrezzi_SQL_Insert INSTEAD OF INSERT ON wTmp_ModPrezzi_SQL
BEGIN
    INSERT INTO wTmp_ModPrezzi (
        IDK, ID, Prezzo_Orig, Codice, Descrizione)
    VALUES (
        NEW.IDK, NEW.ID, coalesce(NEW.Prezzo_Orig, 0), NEW.Codice, NEW.Descrizione);
END;

CREATE TRIGGER wTmp_ModPrezzi_SQL_Update INSTEAD OF UPDATE ON wTmp_ModPrezzi_SQL
BEGIN
    UPDATE wTmp_ModPrezzi SET
        ID = NEW.ID, Prezzo_Orig = NEW.Prezzo_Orig, Codice = NEW.Codice,
        Descrizione = NEW.Descrizione
    WHERE IDK = OLD.IDK;
END;

CREATE TRIGGER wTmp_ModPrezzi_SQL_Delete INSTEAD OF DELETE ON wTmp_ModPrezzi_SQL
BEGIN
    DELETE FROM wTmp_ModPrezzi WHERE IDK = OLD.IDK;
END;

CREATE VIEW wTmp_MyWellness_SQL AS SELECT * FROM wTmp_MyWellness;

CREATE TRIGGER wTmp_MyWellness_SQL_Insert INSTEAD OF INSERT ON wTmp_MyWellness_SQL
BEGIN
    INSERT INTO wTmp_MyWellness (
        ID, Codice_Cliente, Ora_Presenza, Cd_Centro, Inviato)
    VALUES (
        NEW.ID, NEW.Codice_Cliente, replace(NEW.Ora_Presenza, '/', '-'), coalesce(NEW.Cd_Centro, 0),
        coalesce(NEW.Inviato, 0));
END;

CREATE TRIGGER wTmp_MyWellness_SQL_Update INSTEAD OF UPDATE ON wTmp_MyWellness_SQL
BEGIN
    UPDATE wTmp_MyWellness SET
        Codice_Cliente = NEW.Codice_Cliente, Ora_Presenza = NEW.Ora_Presenza,
        Cd_Centro = NEW.Cd_Centro, Inviato = NEW.Inviato
    WHERE ID = OLD.ID;
END;

CREATE TRIGGER wTmp_MyWellness_SQL_Delete INSTEAD OF DELETE ON wTmp_MyWellness_SQL
BEGIN
    DELETE FROM wTmp_MyWellness WHERE ID = OLD.ID;
END;

CREATE VIEW wTmp_OrarioUscita_SQL AS SELECT * FROM wTmp_OrarioUscita;

CREATE TRIGGER wTmp_OrarioUscita_SQL_Insert INSTEAD OF INSERT ON wTmp_OrarioUscita_SQL
BEGIN
    INSERT INTO wTmp_OrarioUscita (
        ID, Codice_Cliente, Data_Presenza, AOre)
    VALUES (
        NEW.ID, NEW.Codice_Cliente, NEW.Data_Presenza, NEW.AOre);
END;

CREATE TRIGGER wTmp_OrarioUscita_SQL_Update INSTEAD OF UPDATE ON wTmp_OrarioUscita_SQL
BEGIN
    UPDATE wTmp_OrarioUscita SET
        Codice_Cliente = NEW.Codice_Cliente, Data_Presenza = NEW.Data_Presenza, AOre = NEW.AOre
    WHERE ID = OLD.ID;
END;

CREATE TRIGGER wTmp_OrarioUscita_SQL_Delete INSTEAD OF DELETE ON wTmp_OrarioUscita_SQL
BEGIN
    DELETE FROM wTmp_OrarioUscita WHERE ID = OLD.ID;
END;

CREATE VIEW wTmp_Presenze_Irregolarita_SQL AS SELECT * FROM wTmp_Presenze_Irregolarita;

CREATE TRIGGER wTmp_Presenze_Irregolarita_SQL_Insert INSTEAD OF INSERT ON wTmp_Presenze_Irregolarita_SQL
BEGIN
    INSERT INTO wTmp_Presenze_Irregolarita (
        IDK, ID, Codice_Cliente, Modalita, CodiceS, CodiceN, Data_Scadenza, "Check")
    VALUES (
        NEW.IDK, NEW.ID, NEW.Codice_Cliente, NEW.Modalita, NEW.CodiceS, NEW.CodiceN,
        NEW.Data_Scadenza, coalesce(NEW."Check", 0));
END;

CREATE TRIGGER wTmp_Presenze_Irregolarita_SQL_Update INSTEAD OF UPDATE ON wTmp_Presenze_Irregolarita_SQL
BEGIN
    UPDATE wTmp_Presenze_Irregolarita SET
        ID = NEW.ID, Codice_Cliente = NEW.Codice_Cliente, Modalita = NEW.Modalita,
        CodiceS = NEW.CodiceS, CodiceN = NEW.CodiceN, Data_Scadenza = NEW.Data_Scadenza,
        "Check" = NEW."Check"
    WHERE IDK = OLD.IDK;
END;

CREATE TRIGGER wTmp_Presenze_Irregolarita_SQL_Delete INSTEAD OF DELETE ON wTmp_Presenze_Irregolarita_SQL
BEGIN
    DELETE FROM wTmp_Presenze_Irregolarita WHERE IDK = OLD.IDK;
END;

CREATE VIEW wTmp_Presenze_Strutture_SQL AS SELECT * FROM wTmp_Presenze_Strutture;

CREATE TRIGGER wTmp_Presenze_Strutture_SQL_Insert INSTEAD OF INSERT ON wTmp_Presenze_Strutture_SQL
BEGIN
    INSERT INTO wTmp_Presenze_Strutture (
        IDK, Origine, Codice_Cliente, Codice_Struttura, Tipologia, Codice_Abbonamento,
        Codice_Iscrizione, ID_Iscrizione, Prog_Riga, ID_Prenotazione, ID_Pacchetto,
        Codice_Pacchetto, Codice_PacchettoM, Sedute, Sedute_Fatte, Pagato, Conferma,
        Costo_Presenza, Data_Inizio, Data_Fine, Data_Scadenza, Scaduta, Giornaliero,
        GiornalieroT, Tempo_Permanenza, FrequenzaDD, ID_Intervallo, DaOre, AOre, Pren_DaOre,
        Pren_AOre, Singola, Pass, Terminale, Esterna, NoVerifica, Con_Accompagnatore,
        APrenotazione, Ingresso_Scalato)
    VALUES (
        NEW.IDK, NEW.Origine, NEW.Codice_Cliente, NEW.Codice_Struttura,
        coalesce(NEW.Tipologia, 1), NEW.Codice_Abbonamento, NEW.Codice_Iscrizione,
        coalesce(NEW.ID_Iscrizione, 0), coalesce(NEW.Prog_Riga, 0),
        coalesce(NEW.ID_Prenotazione, 0), coalesce(NEW.ID_Pacchetto, 0), NEW.Codice_Pacchetto,
        NEW.Codice_PacchettoM, coalesce(NEW.Sedute, 0), coalesce(NEW.Sedute_Fatte, 0),
        coalesce(NEW.Pagato, 1), coalesce(NEW.Conferma, 1), coalesce(NEW.Costo_Presenza, 0),
        NEW.Data_Inizio, NEW.Data_Fine, NEW.Data_Scadenza, coalesce(NEW.Scaduta, 0),
        coalesce(NEW.Giornaliero, 0), coalesce(NEW.GiornalieroT, 0),
        coalesce(NEW.Tempo_Permanenza, 0), coalesce(NEW.FrequenzaDD, 0),
        coalesce(NEW.ID_Intervallo, 0), NEW.DaOre, NEW.AOre, NEW.Pren_DaOre, NEW.Pren_AOre,
        coalesce(NEW.Singola, 0), coalesce(NEW.Pass, 0), coalesce(NEW.Terminale, 0),
        coalesce(NEW.Esterna, 0), coalesce(NEW.NoVerifica, 0),
        coalesce(NEW.Con_Accompagnatore, 0), coalesce(NEW.APrenotazione, 0),
        coalesce(NEW.Ingresso_Scalato, 0));
END;

CREATE TRIGGER wTmp_Presenze_Strutture_SQL_Update INSTEAD OF UPDATE ON wTmp_Presenze_Strutture_SQL
BEGIN
    UPDATE wTmp_Presenze_Strutture SET
        Origine = NEW.Origine, Codice_Cliente = NEW.Codice_Cliente,
        Codice_Struttura = NEW.Codice_Struttura, Tipologia = NEW.Tipologia,
        Codice_Abbonamento = NEW.Codice_Abbonamento, Codice_Iscrizione = NEW.Codice_Iscrizione,
        ID_Iscrizione = NEW.ID_Iscrizione, Prog_Riga = NEW.Prog_Riga,
        ID_Prenotazione = NEW.ID_Prenotazione, ID_Pacchetto = NEW.ID_Pacchetto,
        Codice_Pacchetto = NEW.Codice_Pacchetto, Codice_PacchettoM = NEW.Codice_PacchettoM,
        Sedute = NEW.Sedute, Sedute_Fatte = NEW.Sedute_Fatte, Pagato = NEW.Pagato,
        Conferma = NEW.Conferma, Costo_Presenza = NEW.Costo_Presenza,
        Data_Inizio = NEW.Data_Inizio, Data_Fine = NEW.Data_Fine,
        Data_Scadenza = NEW.Data_Scadenza, Scaduta = NEW.Scaduta,
        Giornaliero = NEW.Giornaliero, GiornalieroT = NEW.GiornalieroT,
        Tempo_Permanenza = NEW.Tempo_Permanenza, FrequenzaDD = NEW.FrequenzaDD,
        ID_Intervallo = NEW.ID_Intervallo, DaOre = NEW.DaOre, AOre = NEW.AOre,
        Pren_DaOre = NEW.Pren_DaOre, Pren_AOre = NEW.Pren_AOre, Singola = NEW.Singola,
        Pass = NEW.Pass, Terminale = NEW.Terminale, Esterna = NEW.Esterna,
        NoVerifica = NEW.NoVerifica, Con_Accompagnatore = NEW.Con_Accompagnatore,
        APrenotazione = NEW.APrenotazione, Ingresso_Scalato = NEW.Ingresso_Scalato
    WHERE IDK = OLD.IDK;
END;

CREATE TRIGGER wTmp_Presenze_Strutture_SQL_Delete INSTEAD OF DELETE ON wTmp_Presenze_Strutture_SQL
BEGIN
    DELETE FROM wTmp_Presenze_Strutture WHERE IDK = OLD.IDK;
END;

CREATE VIEW wTmp_Punti_SQL AS SELECT * FROM wTmp_Punti;

CREATE TRIGGER wTmp_Punti_SQL_Insert INSTEAD OF INSERT ON wTmp_Punti_SQL
BEGIN
    INSERT INTO wTmp_Punti (
        ID, Tipo, Codice_Iscrizione, ID_Aggiunta, Punti_Uti, Codice_Struttura)
    VALUES (
        NEW.ID, coalesce(NEW.Tipo, 1), NEW.Codice_Iscrizione, coalesce(NEW.ID_Aggiunta, 0),
        coalesce(NEW.Punti_Uti, 0), NEW.Codice_Struttura);
END;

CREATE TRIGGER wTmp_Punti_SQL_Update INSTEAD OF UPDATE ON wTmp_Punti_SQL
BEGIN
    UPDATE wTmp_Punti SET
        Tipo = NEW.Tipo, Codice_Iscrizione = NEW.Codice_Iscrizione,
        ID_Aggiunta = NEW.ID_Aggiunta, Punti_Uti = NEW.Punti_Uti,
        Codice_Struttura = NEW.Codice_Struttura
    WHERE ID = OLD.ID;
END;

CREATE TRIGGER wTmp_Punti_SQL_Delete INSTEAD OF DELETE ON wTmp_Punti_SQL
BEGIN
    DELETE FROM wTmp_Punti WHERE ID = OLD.ID;
END;

CREATE VIEW wTmp_Strutture_SQL AS SELECT * FROM wTmp_Strutture;

CREATE TRIGGER wTmp_Strutture_SQL_Insert INSTEAD OF INSERT ON wTmp_Strutture_SQL
BEGIN
    INSERT INTO wTmp_Strutture (
        ID, Codice_Attivita)
    VALUES (
        NEW.ID, NEW.Codice_Attivita);
END;

CREATE TRIGGER wTmp_Strutture_SQL_Update INSTEAD OF UPDATE ON wTmp_Strutture_SQL
BEGIN
    UPDATE wTmp_Strutture SET
        Codice_Attivita = NEW.Codice_Attivita
    WHERE ID = OLD.ID;
END;

CREATE TRIGGER wTmp_Strutture_SQL_Delete INSTEAD OF DELETE ON wTmp_Strutture_SQL
BEGIN
    DELETE FROM wTmp_Strutture WHERE ID = OLD.ID;
END;

-- =====================================================================================
-- Triggers
-- =====================================================================================

-- Delete triggers of the sales tables: each deleted row is logged in wSys_Log_Trigger.
-- The deletion of marked sales switches them off around its deletes.
CREATE TRIGGER Gestione_Aggiunte_BD BEFORE DELETE ON Gestione_Aggiunte
WHEN NOT EXISTS (SELECT 1 FROM wSys_Trigger_Disabilitati WHERE Nome_Trigger = 'Gestione_Aggiunte_BD')
BEGIN
    INSERT INTO wSys_Log_Trigger (Nome_Trigger, Tabella, ID_Riga, Data)
    VALUES ('Gestione_Aggiunte_BD', 'Gestione_Aggiunte', OLD.ID, strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'));
END;

CREATE TRIGGER Gestione_Iscrizioni_BD BEFORE DELETE ON Gestione_Iscrizioni
WHEN NOT EXISTS (SELECT 1 FROM wSys_Trigger_Disabilitati WHERE Nome_Trigger = 'Gestione_Iscrizioni_BD')
BEGIN
    INSERT INTO wSys_Log_Trigger (Nome_Trigger, Tabella, ID_Riga, Data)
    VALUES ('Gestione_Iscrizioni_BD', 'Gestione_Iscrizioni', OLD.Cd_Iscrizione, strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'));
END;

CREATE TRIGGER Gestione_Bar_BD BEFORE DELETE ON Gestione_Bar
WHEN NOT EXISTS (SELECT 1 FROM wSys_Trigger_Disabilitati WHERE Nome_Trigger = 'Gestione_Bar_BD')
BEGIN
    INSERT INTO wSys_Log_Trigger (Nome_Trigger, Tabella, ID_Riga, Data)
    VALUES ('Gestione_Bar_BD', 'Gestione_Bar', OLD.ID, strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'));
END;

CREATE TRIGGER AnagraficaC_Clienti_BD BEFORE DELETE ON AnagraficaC_Clienti
WHEN NOT EXISTS (SELECT 1 FROM wSys_Trigger_Disabilitati WHERE Nome_Trigger = 'AnagraficaC_Clienti_BD')
BEGIN
    INSERT INTO wSys_Log_Trigger (Nome_Trigger, Tabella, ID_Riga, Data)
    VALUES ('AnagraficaC_Clienti_BD', 'AnagraficaC_Clienti', OLD.ID, strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'));
END;

CREATE TRIGGER Gestione_MoneyCard_Ricarica_BD BEFORE DELETE ON Gestione_MoneyCard_Ricarica
WHEN NOT EXISTS (SELECT 1 FROM wSys_Trigger_Disabilitati WHERE Nome_Trigger = 'Gestione_MoneyCard_Ricarica_BD')
BEGIN
    INSERT INTO wSys_Log_Trigger (Nome_Trigger, Tabella, ID_Riga, Data)
    VALUES ('Gestione_MoneyCard_Ricarica_BD', 'Gestione_MoneyCard_Ricarica', OLD.ID, strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'));
END;

CREATE TRIGGER Gestione_DCard_BD BEFORE DELETE ON Gestione_DCard
WHEN NOT EXISTS (SELECT 1 FROM wSys_Trigger_Disabilitati WHERE Nome_Trigger = 'Gestione_DCard_BD')
BEGIN
    INSERT INTO wSys_Log_Trigger (Nome_Trigger, Tabella, ID_Riga, Data)
    VALUES ('Gestione_DCard_BD', 'Gestione_DCard', OLD.ID, strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'));
END;

CREATE TRIGGER Gestione_Vendite_BD BEFORE DELETE ON Gestione_Vendite
WHEN NOT EXISTS (SELECT 1 FROM wSys_Trigger_Disabilitati WHERE Nome_Trigger = 'Gestione_Vendite_BD')
BEGIN
    INSERT INTO wSys_Log_Trigger (Nome_Trigger, Tabella, ID_Riga, Data)
    VALUES ('Gestione_Vendite_BD', 'Gestione_Vendite', OLD.ID, strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'));
END;

-- =====================================================================================
-- Indexes: the lookups of every card read and the hot filters of the checks
-- =====================================================================================

CREATE INDEX IX_Anagrafica_Clienti_Codice_Bis ON Anagrafica_Clienti (Codice_Bis);
CREATE INDEX IX_Anagrafica_Visitatori_Codice_Bis ON Anagrafica_Visitatori (Codice_Bis);
CREATE INDEX IX_Anagrafica_Consulenti_Codice_Bis ON Anagrafica_Consulenti (Codice_Bis);
CREATE INDEX IX_Anagrafica_Istruttori_Codice_Bis ON Anagrafica_Istruttori (Codice_Bis);
CREATE INDEX IX_Anagrafica_Medici_Codice_Bis ON Anagrafica_Medici (Codice_Bis);
CREATE INDEX IX_Anagrafica_Fisioterapisti_Codice_Bis ON Anagrafica_Fisioterapisti (Codice_Bis);
CREATE INDEX IX_Anagrafica_Operatori_Codice_Bis ON Anagrafica_Operatori (Codice_Bis);
CREATE INDEX IX_Anagrafica_Estetisti_Codice_Bis ON Anagrafica_Estetisti (Codice_Bis);
CREATE INDEX IX_Anagrafica_Articoli_Codice_Bis ON Anagrafica_Articoli (Codice_Bis);
CREATE INDEX IX_Tessere_Aggiuntive_Cliente ON Tessere_Aggiuntive (Codice_Cliente);
CREATE INDEX IX_Gestione_QR_Code_Data ON Gestione_QR_Code (Data_Reg, Usato);
-- A terminal's queued messages share its address with its state row: the state row is
-- found through an index of its own (state rows only), never among the queue.
CREATE INDEX IX_Stato_Terminali_Indirizzo ON Stato_Terminali (Indirizzo, Codice_Cliente);
CREATE INDEX IX_Stato_Terminali_Riga ON Stato_Terminali (Indirizzo) WHERE Messaggio IS NULL;
CREATE INDEX IX_Stato_Terminali_Stato ON Stato_Terminali (Stato);
CREATE INDEX IX_Presenze_Cliente_Data ON Presenze (Codice_Cliente, Data_Presenza);
CREATE INDEX IX_Presenze_ID ON Presenze (ID_Presenza);
CREATE INDEX IX_Presenze_Data ON Presenze (Data_Presenza);
CREATE INDEX IX_Presenze_Strutture_Presenza ON Presenze_Strutture (ID_Presenza);
CREATE INDEX IX_Presenze_Strutture_Cliente ON Presenze_Strutture (Codice_Cliente, Codice_Struttura);
CREATE INDEX IX_Presenze_Strutture_Biglietto ON Presenze_Strutture (ID_Biglietto);
CREATE INDEX IX_Iscrizioni_Strutture_Cliente ON Iscrizioni_Strutture (Codice_Cliente, Scaduta);
CREATE INDEX IX_Iscrizioni_Strutture_Iscrizione ON Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga);
CREATE INDEX IX_Gestione_Iscrizioni_Cliente ON Gestione_Iscrizioni (Codice_Cliente, Scaduta);
CREATE INDEX IX_Gestione_Aggiunte_Cliente ON Gestione_Aggiunte (Codice_Cliente, Scaduta);
CREATE INDEX IX_Gestione_Aggiunte_Pacchetto ON Gestione_Aggiunte (ID_Pacchetto);
CREATE INDEX IX_Giornale_Cliente ON Giornale (Codice_Cliente, Modalita);
CREATE INDEX IX_Messaggi_Clienti_Cliente ON Messaggi_Clienti (Codice_Cliente, Ricevuto);
CREATE INDEX IX_Gestione_Prenotazioni_Data ON Gestione_Prenotazioni (Data_Prenotazione, Codice2);
CREATE INDEX IX_Booking_Clienti_Cliente ON Booking_Clienti (Codice_Cliente);
CREATE INDEX IX_Booking_Clienti_Pivot ON Booking_Clienti (ID_PivotPrenotazione);
CREATE INDEX IX_Gestione_Prenotazioni_Corsi_Cliente ON Gestione_Prenotazioni_Corsi (Codice_Cliente, Data_Prenotazione);
CREATE INDEX IX_Gestione_Prenotazioni_Servizi_Cliente ON Gestione_Prenotazioni_Servizi (Codice_Cliente, Data_Prenotazione);
CREATE INDEX IX_Agenda_Struttura_Sub ON Agenda_Struttura (Cd_SubStruttura, Data_Prenotazione);
CREATE INDEX IX_Controllo_Fascia_Oraria_Cliente ON Controllo_Fascia_Oraria (Codice_Cliente, Data_Presenza, Modalita);
CREATE INDEX IX_Controllo_Fascia_Oraria_Biglietto ON Controllo_Fascia_Oraria (ID_Biglietto);
CREATE INDEX IX_Gestione_Entrate_Cliente ON Gestione_Entrate (Codice_Cliente, Data_Entrata);
CREATE INDEX IX_Gestione_Uscite_Cliente ON Gestione_Uscite (Codice_Cliente, Data_Uscita);
CREATE INDEX IX_Gestione_Personale_Codice ON Gestione_Personale (Codice);
CREATE INDEX IX_Gestione_Visitatori_Visitatore ON Gestione_Visitatori (Codice_Visitatore, Data_Entrata);
CREATE INDEX IX_Gestione_Biglietti_Cliente ON Gestione_Biglietti (Codice_Cliente);
CREATE INDEX IX_Gestione_Biglietti_Tessera ON Gestione_Biglietti (Codice_Tessera);
CREATE INDEX IX_Gestione_MoneyCard_Cliente ON Gestione_MoneyCard (Codice_Cliente);
CREATE INDEX IX_Gestione_Sospensioni_Iscrizione ON Gestione_Sospensioni (Codice_Iscrizione);
CREATE INDEX IX_Log_Entrate_Data ON Log_Entrate (Data_Presenza);
CREATE INDEX IX_Log_Terminali_Presenze_Cliente ON Log_Terminali_Presenze (Codice_Cliente, Data_Presenza);
CREATE INDEX IX_Log_Punti_Clienti_Cliente ON Log_Punti_Clienti (Codice_Cliente, Data_Log);
CREATE INDEX IX_Dettaglio_Terminali_Punti_Terminale ON Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana);
CREATE INDEX IX_Dettaglio_Terminali_Sub_Terminale ON Dettaglio_Terminali_Sub (ID_Terminale);
CREATE INDEX IX_Dettaglio_Terminali_Uscita_Terminale ON Dettaglio_Terminali_Uscita (ID_Terminale);
CREATE INDEX IX_Giorni_DD_Fasce_Abbonamenti ON Giorni_DD_Fasce_Abbonamenti (Codice_Abbonamento, DDSettimana);
CREATE INDEX IX_Giorni_DD_Fasce_Abbonamenti_Righe ON Giorni_DD_Fasce_Abbonamenti_Righe (Codice_Abbonamento, Codice_Struttura);
CREATE INDEX IX_FasceOrarie_Abbonamenti ON FasceOrarie_Abbonamenti (Codice_Abbonamento);
CREATE INDEX IX_FasceOrarie_Abbonamenti_Righe ON FasceOrarie_Abbonamenti_Righe (Codice_Abbonamento, Codice_Struttura);
CREATE INDEX IX_Orario_Istruttori_Corsi_Corso ON Orario_Istruttori_Corsi (Codice_Corso);
CREATE INDEX IX_Orario_Servizi_Servizio ON Orario_Servizi (Codice_Servizio);
CREATE INDEX IX_Strutture_Associate_Struttura ON Strutture_Associate (Codice_Struttura);
CREATE INDEX IX_Attivita_Strutture_Struttura ON Attivita_Strutture (Codice_Struttura);
CREATE INDEX IX_wTmp_ArticoliTerminali_Indirizzo ON wTmp_ArticoliTerminali (Indirizzo);
CREATE INDEX IX_wTmp_DatiAccessi_Codice ON wTmp_DatiAccessi (Codice, Completo);

COMMIT;
