-- Demo centre "Velaris Sport Club": a gym floor, a pool, an external spa, two courses, one
-- service, members that show the interesting cases at the terminals, two staff members, a
-- visitor card, a ticket, money-card and points credit, the settings and the HTTP-push
-- terminals (main entrance, pool, exit, fitness-room turnstile paid by money card, bar).
--
-- Every statement runs through the engine one at a time; dates are relative to the day
-- the demo database is created (the engine's clock), so the demo stays valid.

-- ---------------------------------------------------------------------------------------
-- Settings, fixed fees and code tables
-- ---------------------------------------------------------------------------------------

INSERT INTO wCab_FormatoEtichette (Codice, Descrizione, NomeReport) VALUES (1, 'ETICHETTA 62x29', 'rptEtichetta62x29');
INSERT INTO wCab_FormatoEtichette (Codice, Descrizione, NomeReport) VALUES (2, 'ETICHETTA 102x51', 'rptEtichetta102x51');

INSERT INTO Impostazioni_Funzionamento (Costo_CM, FattConvEuro, Costo_Q, Giorni_Sospensione, Costo_QA, Iscrizione_Annuale,
    Quota_Assicurativa, Prima_Scadenza, Gestione_Entrate, Tempo_Attesa, Utilizza_CodBis, Verificato, Cd_Iva,
    Tolleranza1, Tolleranza2, Tolleranza3, Tolleranza4, Tolleranza5, Tolleranza6, Tolleranza7, Tolleranza8,
    Tolleranza9, Tolleranza10, Tolleranza11, Tolleranza12, Tolleranza13, Tolleranza14, Tolleranza15,
    Tolleranza16, Tolleranza17, Tolleranza18, Tolleranza19, TolleranzaU,
    AnticipoPren, Giorni_Ret, Giorni_Missed, Certificato_Medico, Orari_Ingresso, Conferma_Attivita,
    Intervallo_Presenze, Gestisci_Foto, Codice_Centro, NoExit, Punti_Rec_Giorni, PrenComePres, DB_Unico,
    Formato_Etichette, NoEntry2, NoEntry3, NoEntry4, NoEntry5, NoEntry6, NoEntry7, NoEntry8, NoEntry9,
    NoEntry10, NoEntry11, NoEntry12, NoEntry14, NoEntry15)
VALUES (Convert(Float, 40), Convert(Float, 1936.27), Convert(Float, 30), 30, Convert(Float, 25), -1,
    Convert(Float, 15), 1, 0, 2, -1, -1, '22',
    15, 30, 10, 10, 10, 10, 10, 10,
    10, 10, 15, 10, 10, 10, 10,
    15, 15, 15, 10, 15,
    15, 7, 3, -1, -1, 0,
    60, 0, Null, 0, 30, 0, 0,
    1, -1, -1, 0, -1, -1, -1, 0, 0,
    -1, -1, -1, -1, 0);

INSERT INTO Tabella_ScadenzeFisse (Tipo_Scadenza, Scadenza, Gestisci, Importo, Pagamento, Cd_Iva, Durata_Std, Ingresso) VALUES (1, 'QUOTA ASSOCIATIVA', -1, Convert(Float, 30), 1, '22', 12, -1);
INSERT INTO Tabella_ScadenzeFisse (Tipo_Scadenza, Scadenza, Gestisci, Importo, Pagamento, Cd_Iva, Durata_Std, Ingresso) VALUES (2, 'CERTIFICATO MEDICO', -1, Convert(Float, 0), 1, 'ES', 12, 0);
INSERT INTO Tabella_ScadenzeFisse (Tipo_Scadenza, Scadenza, Gestisci, Importo, Pagamento, Cd_Iva, Durata_Std, Ingresso) VALUES (3, 'ASSICURAZIONE', -1, Convert(Float, 15), 1, 'ES', 12, 0);
INSERT INTO Tabella_ScadenzeFisse (Tipo_Scadenza, Scadenza, Gestisci, Importo, Pagamento, Cd_Iva, Durata_Std, Ingresso) VALUES (4, 'TESSERA FEDERALE', 0, Convert(Float, 10), 1, 'ES', 12, 0);
INSERT INTO Tabella_ScadenzeFisse (Tipo_Scadenza, Scadenza, Gestisci, Importo, Pagamento, Cd_Iva, Durata_Std, Ingresso) VALUES (5, 'QUOTA FAMIGLIA', 0, Convert(Float, 50), 1, '22', 12, 0);
INSERT INTO Tabella_ScadenzeFisse (Tipo_Scadenza, Scadenza, Gestisci, Importo, Pagamento, Cd_Iva, Durata_Std, Ingresso) VALUES (6, 'ISCRIZIONE CORSI', 0, Convert(Float, 20), 1, '22', 12, 0);

INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (1, 'Vendita', 'VENDITA');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (2, 'Rinnovo quota associativa', 'RINNOVO QUOTA');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (3, 'Rinnovo certificato medico', 'CERTIFICATO MEDICO');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (4, 'Saldo abbonamento', 'SALDO ABBONAMENTO');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (5, 'Rata scaduta', 'RATA SCADUTA');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (6, 'Saldo pacchetto', 'SALDO PACCHETTO');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (7, 'Saldo bar', 'SALDO BAR');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (8, 'Saldo servizi', 'SALDO SERVIZI');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (9, 'Saldo corsi', 'SALDO CORSI');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (10, 'Ingresso fuori fascia', 'FUORI FASCIA');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (11, 'Assegno insoluto', 'INSOLUTO');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (12, 'Ingresso da sospeso', 'SOSPESO');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (13, 'Nota', 'NOTA');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (14, 'Rinnovo assicurazione', 'RINNOVO ASSICURAZ.');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (15, 'Saldo ricarica', 'SALDO RICARICA');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (16, 'Ingresso senza abbonamento', 'NO ABBONAMENTO');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (17, 'Saldo biglietti', 'SALDO BIGLIETTI');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (18, 'Saldo noleggi', 'SALDO NOLEGGI');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (19, 'Rinnovo tessera federale', 'RINNOVO TESSERA');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (20, 'Rinnovo quota famiglia', 'RINNOVO FAMIGLIA');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (21, 'Rinnovo iscrizione corsi', 'RINNOVO CORSI');
INSERT INTO wCab_Modalita_Verifiche (Modalita, Descrizione, Descrizi2) VALUES (22, 'Saldo fattura', 'SALDO FATTURA');

INSERT INTO Permessi_Utenti (Codice_Operatore, Nome, Password, Amministratore, InUse) VALUES ('ADMIN', 'Amministratore', 'velaris', -1, -1);
INSERT INTO Permessi_Utenti (Codice_Operatore, Nome, Password, Amministratore, InUse) VALUES ('RECEPTION', 'Reception', 'reception', 0, 0);

INSERT INTO Intervalli_DD (ID, Descrizione, DDIntervallo, Periodo_SMA, Lun, Mar, Mer, Gio, Ven, Sab, Dom) VALUES (1, 'SETTIMANA', 1, 2, -1, -1, -1, -1, -1, -1, -1);
INSERT INTO Intervalli_DD (ID, Descrizione, DDIntervallo, Periodo_SMA, Lun, Mar, Mer, Gio, Ven, Sab, Dom) VALUES (2, 'MESE', 1, 3, -1, -1, -1, -1, -1, -1, -1);

-- A holiday three weeks ahead on which the centre stays closed.
INSERT INTO Tabella_Festivi (ID_Festivita, Descrizione, Club_Open) VALUES (DATEADD(day, 21, dbo.Set_Data(GETDATE())), 'FESTA DEL PATRONO', 0);

-- ---------------------------------------------------------------------------------------
-- Facilities, courses, services
-- ---------------------------------------------------------------------------------------

INSERT INTO Anagrafica_Strutture (Codice_Struttura, Codice_Bis, Descrizione, Codice_Area, Esterna, NoVerifica_Irregolari, Abilita_Ingresso, APrenotazione, Tolleranza, TolleranzaU) VALUES ('ST001', '11', 'SALA ATTREZZI', 'AR001', 0, 1, -1, 0, 10, 15);
INSERT INTO Anagrafica_Strutture (Codice_Struttura, Codice_Bis, Descrizione, Codice_Area, Esterna, NoVerifica_Irregolari, Abilita_Ingresso, APrenotazione, Tolleranza, TolleranzaU) VALUES ('ST004', '14', 'SALA FITNESS', 'AR001', 0, 1, -1, 0, 10, 15);
INSERT INTO Anagrafica_Strutture (Codice_Struttura, Codice_Bis, Descrizione, Codice_Area, Esterna, NoVerifica_Irregolari, Abilita_Ingresso, APrenotazione, Tolleranza, TolleranzaU) VALUES ('ST002', '12', 'PISCINA', 'AR002', 0, 1, -1, 0, 10, 15);
INSERT INTO Anagrafica_Strutture (Codice_Struttura, Codice_Bis, Descrizione, Codice_Area, Esterna, NoVerifica_Irregolari, Abilita_Ingresso, APrenotazione, Tolleranza, TolleranzaU) VALUES ('ST003', '13', 'CENTRO BENESSERE SPA', 'AR003', -1, 1, -1, 0, 10, 15);

INSERT INTO Anagrafica_SubStrutture (Cd_SubStruttura, Codice_Struttura, Descrizione) VALUES (1, 'ST002', 'CORSIA 1');
INSERT INTO Anagrafica_SubStrutture (Cd_SubStruttura, Codice_Struttura, Descrizione) VALUES (2, 'ST002', 'CORSIA 2');

INSERT INTO Anagrafica_Corsi (Codice_Corso, Codice_Bis, Descrizione, Codice_Area, APrenotazione, Data_Inizio, Data_Fine, Tolleranza) VALUES ('CS001', '21', 'PILATES', 'AR001', 1, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), 10);
INSERT INTO Anagrafica_Corsi (Codice_Corso, Codice_Bis, Descrizione, Codice_Area, APrenotazione, Data_Inizio, Data_Fine, Tolleranza) VALUES ('CS002', '22', 'SPINNING', 'AR001', -1, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), 15);

INSERT INTO Anagrafica_Servizi (Codice_Servizio, Codice_Bis, Descrizione, Codice_Area, APrenotazione, Data_Inizio, Data_Fine, Tolleranza) VALUES ('SE001', '31', 'MASSAGGIO DECONTRATTURANTE', 'AR003', -1, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), 5);

INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('ST001', 'ST001');
INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('CS001', 'ST001');
INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('CS002', 'ST001');
INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('ST002', 'ST002');
INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('SE001', 'ST003');

-- Spinning every day at 19:00 (rows 1 to 7 are Monday to Sunday), Pilates on weekdays at
-- 9:00 and 18:00, massages every afternoon.
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS002', 'IS0001', 'ST001', 1, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 19:00:00', '1900-1-1 20:00:00');
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS002', 'IS0001', 'ST001', 2, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 19:00:00', '1900-1-1 20:00:00');
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS002', 'IS0001', 'ST001', 3, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 19:00:00', '1900-1-1 20:00:00');
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS002', 'IS0001', 'ST001', 4, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 19:00:00', '1900-1-1 20:00:00');
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS002', 'IS0001', 'ST001', 5, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 19:00:00', '1900-1-1 20:00:00');
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS002', 'IS0001', 'ST001', 6, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 10:00:00', '1900-1-1 11:00:00');
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS002', 'IS0001', 'ST001', 7, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 10:00:00', '1900-1-1 11:00:00');
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS001', 'IS0001', 'ST001', 1, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 09:00:00', '1900-1-1 10:00:00');
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS001', 'IS0001', 'ST001', 3, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 18:00:00', '1900-1-1 19:00:00');
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS001', 'IS0001', 'ST001', 5, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 09:00:00', '1900-1-1 10:00:00');

INSERT INTO Orario_Servizi (Codice_Servizio, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('SE001', 'ST003', 0, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 14:00:00', '1900-1-1 20:00:00');

-- ---------------------------------------------------------------------------------------
-- Subscription types, packages, tickets, articles
-- ---------------------------------------------------------------------------------------

INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza, Giornaliero, Prezzo) VALUES ('AB001', 'ANNUALE OPEN', 0, 0, 0, 0, Convert(Float, 590));
INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza, Giornaliero, Prezzo) VALUES ('AB002', 'CARNET 10 INGRESSI PISCINA', 0, 0, 120, 0, Convert(Float, 80));
INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza, Giornaliero, Prezzo) VALUES ('AB003', 'MENSILE SALA ATTREZZI', 0, 0, 0, -1, Convert(Float, 60));
INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza, Giornaliero, Prezzo) VALUES ('AB004', 'TRIMESTRALE MATTINA', 0, 0, 0, 0, Convert(Float, 150));
INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza, Giornaliero, Prezzo) VALUES ('AB005', 'BISETTIMANALE SALA ATTREZZI', 2, 1, 0, 0, Convert(Float, 45));
INSERT INTO Anagrafica_Abbonamenti (Codice_Abbonamento, Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza, Giornaliero, Prezzo) VALUES ('AB006', 'SEMESTRALE SPINNING', 0, 0, 0, 0, Convert(Float, 240));

-- The morning subscription admits from 7:00 to 14:00 on any day.
INSERT INTO FasceOrarie_Abbonamenti (Codice_Abbonamento, Fascia_Ini, Fascia_Fin) VALUES ('AB004', '1900-1-1 07:00:00', '1900-1-1 14:00:00');
INSERT INTO FasceOrarie_Abbonamenti_Righe (Codice_Abbonamento, Codice_Struttura, Fascia_Ini, Fascia_Fin) VALUES ('AB004', 'ST001', '1900-1-1 07:00:00', '1900-1-1 14:00:00');

INSERT INTO Anagrafica_Pacchetti (Codice_Pacchetto, Codice_Struttura, Descrizione, FrequenzaDD, ID_Intervallo, Tempo_Permanenza) VALUES ('PK001', 'ST003', 'PACCHETTO 5 INGRESSI SPA', 0, 0, 180);

INSERT INTO Anagrafica_Biglietti (Codice_Biglietto, Codice_Struttura, Descrizione, Accessi_Multipli, Utilizzo_AltriGiorni, Tipo_Gestione, Ingresso_Da, Ingresso_A, Tempo_Permanenza, Prezzo) VALUES ('BG001', 'ST002', 'INGRESSO GIORNALIERO PISCINA', 1, 0, 1, '1900-1-1 08:00:00', '1900-1-1 21:00:00', 180, Convert(Float, 9));

INSERT INTO Anagrafica_Articoli (Codice_Articolo, Codice_Bis, Descrizione, Giacenza, Scorta_Minima, Prezzo_Unitario, Prezzo_Unitario_Abb, Cd_IVA) VALUES ('AR0001', '8001234500012', 'ACQUA NATURALE 50 CL', 120, 24, Convert(Float, 1), Convert(Float, 0.8), '22');
INSERT INTO Anagrafica_Articoli (Codice_Articolo, Codice_Bis, Descrizione, Giacenza, Scorta_Minima, Prezzo_Unitario, Prezzo_Unitario_Abb, Cd_IVA) VALUES ('AR0002', '8001234500029', 'BARRETTA PROTEICA', 40, 10, Convert(Float, 2.5), Convert(Float, 2), '22');
INSERT INTO Anagrafica_Articoli (Codice_Articolo, Codice_Bis, Descrizione, Giacenza, Scorta_Minima, Prezzo_Unitario, Prezzo_Unitario_Abb, Cd_IVA) VALUES ('AR0003', '8001234500036', 'INTEGRATORE SALINO', 30, 6, Convert(Float, 3), Convert(Float, 2.5), '22');

-- ---------------------------------------------------------------------------------------
-- Terminals: HTTP-push readers at the main entrance (general check), the pool (facility
-- check) and the exit, which closes the stays opened at the other two.
-- ---------------------------------------------------------------------------------------

INSERT INTO Dettaglio_Terminali (ID, Indirizzo, Descrizione, Attivo, Indirizzo_IP, Tipo, Uscita, Personale, Stop, Vai, TempoStop, TempoVai, NReleStop, NReleVai, Codice_Struttura, Visualizza_Dett, Gestisci_Attivita, Intervallo_Presenze) VALUES (1, 1, 'INGRESSO PRINCIPALE', -1, '127.0.0.1', 6, 0, -1, -1, -1, 1, 3, 1, 1, Null, -1, 0, 60);
INSERT INTO Dettaglio_Terminali (ID, Indirizzo, Descrizione, Attivo, Indirizzo_IP, Tipo, Uscita, Personale, Stop, Vai, TempoStop, TempoVai, NReleStop, NReleVai, Codice_Struttura, Visualizza_Dett, Gestisci_Attivita, Intervallo_Presenze) VALUES (2, 2, 'TORNELLO PISCINA', -1, '127.0.0.2', 6, 0, 0, -1, -1, 1, 3, 1, 1, 'ST002', -1, 0, 60);
INSERT INTO Dettaglio_Terminali (ID, Indirizzo, Descrizione, Attivo, Indirizzo_IP, Tipo, Uscita, Personale, Stop, Vai, TempoStop, TempoVai, NReleStop, NReleVai, Codice_Struttura, Visualizza_Dett, Gestisci_Attivita, Intervallo_Presenze) VALUES (3, 3, 'USCITA', -1, '127.0.0.3', 6, 2, -1, -1, -1, 1, 3, 1, 1, Null, -1, 0, 0);

INSERT INTO Dettaglio_Terminali_Uscita (ID_Terminale, ID_Terminale_Entrata) VALUES (3, 1);
INSERT INTO Dettaglio_Terminali_Uscita (ID_Terminale, ID_Terminale_Entrata) VALUES (3, 2);

-- The fitness-room turnstile charges 2.50 on the money card for every entry, all week; the bar
-- terminal sells articles paid by money card or cash (keypad dialogue).
INSERT INTO Dettaglio_Terminali (ID, Indirizzo, Descrizione, Attivo, Indirizzo_IP, Tipo, Uscita, Personale, Stop, Vai, TempoStop, TempoVai, NReleStop, NReleVai, Codice_Struttura, Visualizza_Dett, Gestisci_Attivita, Intervallo_Presenze) VALUES (11, 11, 'TORNELLO SALA FITNESS', -1, '127.0.0.11', 6, 0, 0, -1, -1, 1, 3, 1, 1, 'ST004', -1, 0, 0);
INSERT INTO Dettaglio_Terminali (ID, Indirizzo, Descrizione, Attivo, Indirizzo_IP, Tipo, Uscita, Personale, Stop, Vai, TempoStop, TempoVai, NReleStop, NReleVai, Codice_Struttura, Visualizza_Dett, MoneyCard, Vendita) VALUES (12, 12, 'BAR', -1, '127.0.0.12', 6, 0, 0, 0, 0, 0, 0, 1, 1, Null, 0, 1, 0);
INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, Importo) VALUES (11, 2, 1, '1900-1-1 00:00:00', '1900-1-1 23:59:59', DATEADD(day, -30, dbo.Set_Data(GETDATE())), Convert(Money, 2.5));
INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, Importo) VALUES (11, 2, 2, '1900-1-1 00:00:00', '1900-1-1 23:59:59', DATEADD(day, -30, dbo.Set_Data(GETDATE())), Convert(Money, 2.5));
INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, Importo) VALUES (11, 2, 3, '1900-1-1 00:00:00', '1900-1-1 23:59:59', DATEADD(day, -30, dbo.Set_Data(GETDATE())), Convert(Money, 2.5));
INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, Importo) VALUES (11, 2, 4, '1900-1-1 00:00:00', '1900-1-1 23:59:59', DATEADD(day, -30, dbo.Set_Data(GETDATE())), Convert(Money, 2.5));
INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, Importo) VALUES (11, 2, 5, '1900-1-1 00:00:00', '1900-1-1 23:59:59', DATEADD(day, -30, dbo.Set_Data(GETDATE())), Convert(Money, 2.5));
INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, Importo) VALUES (11, 2, 6, '1900-1-1 00:00:00', '1900-1-1 23:59:59', DATEADD(day, -30, dbo.Set_Data(GETDATE())), Convert(Money, 2.5));
INSERT INTO Dettaglio_Terminali_Punti (ID_Terminale, Tipo, DDSettimana, Fascia_Ini, Fascia_Fin, Data_Validita, Importo) VALUES (11, 2, 7, '1900-1-1 00:00:00', '1900-1-1 23:59:59', DATEADD(day, -30, dbo.Set_Data(GETDATE())), Convert(Money, 2.5));

INSERT INTO Biglietti_Terminali (Codice_Biglietto, ID_Terminale) VALUES ('BG001', 2);
INSERT INTO Biglietti_Terminali (Codice_Biglietto, ID_Terminale) VALUES ('BG001', 3);

-- ---------------------------------------------------------------------------------------
-- Staff, visitors
-- ---------------------------------------------------------------------------------------

INSERT INTO Anagrafica_Istruttori (Codice_Istruttore, Codice_Bis, Cognome, Nome, Ingresso) VALUES ('IS0001', '0004512001', 'FERRARI', 'MARCO', -1);
INSERT INTO Anagrafica_Operatori (Codice_Operatore, Codice_Bis, Cognome, Nome, Ingresso, Codice_Cliente) VALUES ('OP0001', '0004512002', 'FONTANA', 'ELENA', -1, 'CL000001');

INSERT INTO Anagrafica_Visitatori (Codice_Visitatore, Codice_Bis, Cognome, Nome, Indirizzo, Cd_Motivo) VALUES ('VR000001', 'V0001', 'MORETTI', 'GIORGIO', 'VIA GARIBALDI 8, BERGAMO', 1);
INSERT INTO Tabella_Tessere_Visitatori (Codice_Tessera, Max_Permanenza) VALUES ('V0001', 90);
INSERT INTO Tabella_Tessere_Visitatori (Codice_Tessera, Max_Permanenza) VALUES ('V0002', 0);

-- ---------------------------------------------------------------------------------------
-- Members
-- ---------------------------------------------------------------------------------------

INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione) VALUES ('CL000001', '0001234501', 'ROSSI', 'MARIO', 'VIA ROMA 12', 'BERGAMO', '035 221100', {d '1979-04-12'}, 1, 1, DATEADD(day, -400, dbo.Set_Data(GETDATE())));
INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione) VALUES ('CL000002', '0001234502', 'BIANCHI', 'GIULIA', 'VIA MAZZINI 5', 'BERGAMO', '035 221101', {d '1988-09-30'}, 1, 1, DATEADD(day, -60, dbo.Set_Data(GETDATE())));
INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione) VALUES ('CL000003', '0001234503', 'ESPOSITO', 'LUCA', 'VIA VERDI 21', 'SERIATE', '035 221102', {d '1992-01-18'}, 3, 1, DATEADD(day, -500, dbo.Set_Data(GETDATE())));
INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione) VALUES ('CL000004', '0001234504', 'ROMANO', 'FRANCESCA', 'VIA DANTE 3', 'BERGAMO', '035 221103', {d '1985-06-02'}, 1, 1, DATEADD(day, -200, dbo.Set_Data(GETDATE())));
INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione) VALUES ('CL000005', '0001234505', 'COLOMBO', 'ANDREA', 'VIA MANZONI 44', 'TREVIOLO', '035 221104', {d '1970-11-23'}, 1, 1, DATEADD(day, -45, dbo.Set_Data(GETDATE())));
INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione) VALUES ('CL000006', '0001234506', 'RICCI', 'CHIARA', 'VIA CAVOUR 9', 'BERGAMO', '035 221105', {d '1995-02-14'}, 1, 1, DATEADD(day, -20, dbo.Set_Data(GETDATE())));
INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione) VALUES ('CL000007', '0001234507', 'MARINO', 'PAOLO', 'VIA PASCOLI 17', 'DALMINE', '035 221106', {d '1982-08-08'}, 1, 1, DATEADD(day, -150, dbo.Set_Data(GETDATE())));
INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione, Note_Accessi) VALUES ('CL000008', '0001234508', 'GRECO', 'SARA', 'VIA LEOPARDI 2', 'BERGAMO', '035 221107', {d '1990-12-01'}, 1, 1, DATEADD(day, -90, dbo.Set_Data(GETDATE())), 'PASSARE IN SEGRETERIA');
INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione) VALUES ('CL000009', '0001234509', 'BRUNO', 'DAVIDE', 'VIA FOSCOLO 30', 'STEZZANO', '035 221108', {d '1999-03-27'}, 1, 1, DATEADD(day, -30, dbo.Set_Data(GETDATE())));
INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione) VALUES ('CL000010', '0001234510', 'GALLO', 'MARTINA', 'VIA CARDUCCI 11', 'BERGAMO', '035 221109', {d '1987-07-19'}, 1, 1, DATEADD(day, -120, dbo.Set_Data(GETDATE())));
INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione) VALUES ('CL000011', '0001234511', 'CONTI', 'ALESSANDRO', 'VIA TASSO 6', 'BERGAMO', '035 221110', {d '2001-10-05'}, 2, 1, dbo.Set_Data(GETDATE()));

-- Rossi: yearly open subscription, gym and pool, a second card for the pool bag.
INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Importo) VALUES ('ISCR0001', 'CL000001', 'AB001', 'ANNUALE OPEN', DATEADD(day, -30, dbo.Set_Data(GETDATE())), DATEADD(day, 335, dbo.Set_Data(GETDATE())), 0, Convert(Float, 590));
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0001', 1, 'CL000001', 'AB001', 'ST001', 1, DATEADD(day, -30, dbo.Set_Data(GETDATE())), DATEADD(day, 335, dbo.Set_Data(GETDATE())), 1, 0, 12);
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0001', 2, 'CL000001', 'AB001', 'ST002', 1, DATEADD(day, -30, dbo.Set_Data(GETDATE())), DATEADD(day, 335, dbo.Set_Data(GETDATE())), 1, 0, 4);
INSERT INTO Tessere_Aggiuntive (Codice_Tessera, Codice_Cliente, Notes) VALUES ('0009876501', 'CL000001', 'TESSERA PISCINA');
INSERT INTO AnagraficaC_Clienti (Codice_Cliente, Tipo_Certificato, Pagato, Data_Rinnovo, Data_Scadenza, Importo) VALUES ('CL000001', 1, -1, DATEADD(day, -30, dbo.Set_Data(GETDATE())), DATEADD(day, 335, dbo.Set_Data(GETDATE())), Convert(Float, 30));

-- Bianchi: ten pool entries, seven used; a one-day QR code for today.
INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Importo) VALUES ('ISCR0002', 'CL000002', 'AB002', 'CARNET 10 INGRESSI PISCINA', DATEADD(day, -60, dbo.Set_Data(GETDATE())), DATEADD(day, 120, dbo.Set_Data(GETDATE())), 0, Convert(Float, 80));
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0002', 1, 'CL000002', 'AB002', 'ST002', 1, DATEADD(day, -60, dbo.Set_Data(GETDATE())), DATEADD(day, 120, dbo.Set_Data(GETDATE())), 2, 10, 7);
INSERT INTO Gestione_QR_Code (Codice_Cliente, QR_Code, Disp_Code, Data_Reg, Ora_Scad, Usato) VALUES ('CL000002', '4711', 'A1', dbo.Set_Data(GETDATE()), Null, 0);

-- Esposito: a monthly subscription that ended ten days ago.
INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Data_Scadenza, Importo) VALUES ('ISCR0003', 'CL000003', 'AB003', 'MENSILE SALA ATTREZZI', DATEADD(day, -40, dbo.Set_Data(GETDATE())), DATEADD(day, -10, dbo.Set_Data(GETDATE())), -1, DATEADD(day, -10, dbo.Set_Data(GETDATE())), Convert(Float, 60));
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, Scaduta, Data_Scadenza, TipoSedute, Sedute, SeduteFatte, Giornaliero) VALUES ('ISCR0003', 1, 'CL000003', 'AB003', 'ST001', 1, DATEADD(day, -40, dbo.Set_Data(GETDATE())), DATEADD(day, -10, dbo.Set_Data(GETDATE())), -1, DATEADD(day, -10, dbo.Set_Data(GETDATE())), 1, 0, 14, -1);

-- Romano: valid subscription but an instalment twenty days overdue and the membership
-- fee renewal due five days ago.
INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Importo) VALUES ('ISCR0004', 'CL000004', 'AB001', 'ANNUALE OPEN', DATEADD(day, -100, dbo.Set_Data(GETDATE())), DATEADD(day, 265, dbo.Set_Data(GETDATE())), 0, Convert(Float, 590));
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0004', 1, 'CL000004', 'AB001', 'ST001', 1, DATEADD(day, -100, dbo.Set_Data(GETDATE())), DATEADD(day, 265, dbo.Set_Data(GETDATE())), 1, 0, 31);
INSERT INTO Giornale (Modalita, Codice_Cliente, Codice1_S, Codice1_N, Data_Scadenza, Importo_DaPagare, Descrizione) VALUES (5, 'CL000004', 'ISCR0004', 2, DATEADD(day, -20, dbo.Set_Data(GETDATE())), Convert(Float, 98.5), 'SECONDA RATA ANNUALE OPEN');
INSERT INTO Giornale (Modalita, Codice_Cliente, Codice1_S, Codice1_N, Data_Scadenza, Importo_DaPagare, Descrizione) VALUES (2, 'CL000004', Null, 1, DATEADD(day, -5, dbo.Set_Data(GETDATE())), Convert(Float, 30), 'RINNOVO QUOTA ASSOCIATIVA');

-- Colombo: morning subscription (7:00 to 14:00).
INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Importo) VALUES ('ISCR0005', 'CL000005', 'AB004', 'TRIMESTRALE MATTINA', DATEADD(day, -45, dbo.Set_Data(GETDATE())), DATEADD(day, 45, dbo.Set_Data(GETDATE())), 0, Convert(Float, 150));
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0005', 1, 'CL000005', 'AB004', 'ST001', 1, DATEADD(day, -45, dbo.Set_Data(GETDATE())), DATEADD(day, 45, dbo.Set_Data(GETDATE())), 1, 0, 20);

-- Ricci: twice a week, and she has already been in twice today.
INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Importo) VALUES ('ISCR0006', 'CL000006', 'AB005', 'BISETTIMANALE SALA ATTREZZI', DATEADD(day, -20, dbo.Set_Data(GETDATE())), DATEADD(day, 70, dbo.Set_Data(GETDATE())), 0, Convert(Float, 45));
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0006', 1, 'CL000006', 'AB005', 'ST001', 1, DATEADD(day, -20, dbo.Set_Data(GETDATE())), DATEADD(day, 70, dbo.Set_Data(GETDATE())), 1, 0, 6);
INSERT INTO Presenze (ID_Presenza, Codice_Cliente, Data_Presenza, Ora_Presenza, Codice_Centro, IndTerminale, Codice_Tessera) VALUES (1, 'CL000006', dbo.Set_Data(GETDATE()), '1900-1-1 07:10:00', Null, 1, '0001234506');
INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Cliente, Codice_Struttura, Tipologia, Pagato, Iscrizione, Costo_Presenza, Ora_Presenza, IndTerminale) VALUES (1, 'CL000006', 'ST001', 1, -1, 'ISCR0006', 0, '1900-1-1 07:10:00', 1);
INSERT INTO Presenze (ID_Presenza, Codice_Cliente, Data_Presenza, Ora_Presenza, Codice_Centro, IndTerminale, Codice_Tessera) VALUES (2, 'CL000006', dbo.Set_Data(GETDATE()), '1900-1-1 07:55:00', Null, 1, '0001234506');
INSERT INTO Presenze_Strutture (ID_Presenza, Codice_Cliente, Codice_Struttura, Tipologia, Pagato, Iscrizione, Costo_Presenza, Ora_Presenza, IndTerminale) VALUES (2, 'CL000006', 'ST001', 1, -1, 'ISCR0006', 0, '1900-1-1 07:55:00', 1);
INSERT INTO Contatori (Cd_Tipo, Contatore, ContatoreN) VALUES (22, 0, 2);

-- Marino: subscription suspended from three days ago for ten days.
INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Importo) VALUES ('ISCR0007', 'CL000007', 'AB001', 'ANNUALE OPEN', DATEADD(day, -150, dbo.Set_Data(GETDATE())), DATEADD(day, 215, dbo.Set_Data(GETDATE())), 0, Convert(Float, 590));
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0007', 1, 'CL000007', 'AB001', 'ST001', 1, DATEADD(day, -150, dbo.Set_Data(GETDATE())), DATEADD(day, 215, dbo.Set_Data(GETDATE())), 1, 0, 40);
INSERT INTO Gestione_Sospensioni (Codice_Cliente, Codice_Iscrizione, Data_Inizio_Sospensione, Data_Fine_Sospensione, Motivo) VALUES ('CL000007', 'ISCR0007', DATEADD(day, -3, dbo.Set_Data(GETDATE())), DATEADD(day, 10, dbo.Set_Data(GETDATE())), 'INFORTUNIO');

-- Greco: valid subscription, but a blocking message waits for her at the desk.
INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Importo) VALUES ('ISCR0008', 'CL000008', 'AB003', 'MENSILE SALA ATTREZZI', DATEADD(day, -10, dbo.Set_Data(GETDATE())), DATEADD(day, 20, dbo.Set_Data(GETDATE())), 0, Convert(Float, 60));
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte, Giornaliero) VALUES ('ISCR0008', 1, 'CL000008', 'AB003', 'ST001', 1, DATEADD(day, -10, dbo.Set_Data(GETDATE())), DATEADD(day, 20, dbo.Set_Data(GETDATE())), 1, 0, 5, -1);
INSERT INTO Messaggi_Clienti (Codice_Cliente, Data_Messaggio, Messaggio, Bloccante, Ricevuto) VALUES ('CL000008', DATEADD(day, -2, dbo.Set_Data(GETDATE())), 'CONSEGNARE IL CERTIFICATO MEDICO IN SEGRETERIA', -1, 0);

-- Bruno: spinning subscription and today's spinning lesson booked (the timetable row of
-- today's weekday, Monday 1).
INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Importo) VALUES ('ISCR0009', 'CL000009', 'AB006', 'SEMESTRALE SPINNING', DATEADD(day, -30, dbo.Set_Data(GETDATE())), DATEADD(day, 150, dbo.Set_Data(GETDATE())), 0, Convert(Float, 240));
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0009', 1, 'CL000009', 'AB006', 'CS002', 2, DATEADD(day, -30, dbo.Set_Data(GETDATE())), DATEADD(day, 150, dbo.Set_Data(GETDATE())), 1, 0, 8);
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0009', 2, 'CL000009', 'AB006', 'ST001', 1, DATEADD(day, -30, dbo.Set_Data(GETDATE())), DATEADD(day, 150, dbo.Set_Data(GETDATE())), 1, 0, 8);
INSERT INTO Gestione_Prenotazioni_Corsi (Codice_Cliente, Codice_Corso, ID_Corso, Data_Prenotazione, Codice_Abbonamento, Codice_Iscrizione, ID_Iscrizione, Enroll) VALUES ('CL000009', 'CS002', (DATEPART(weekday, GETDATE()) + 5) % 7 + 1, dbo.Set_Data(GETDATE()), 'AB006', 'ISCR0009', 0, -1);

-- Gallo: money-card credit (50 paid, 5 bonus, 12.50 spent), a subscription with points, the
-- spa package and fitness-room entries paid at its turnstile with the money card.
INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Punti, Punti_Uti, Importo) VALUES ('ISCR0010', 'CL000010', 'AB001', 'ANNUALE OPEN A PUNTI', DATEADD(day, -120, dbo.Set_Data(GETDATE())), DATEADD(day, 245, dbo.Set_Data(GETDATE())), 0, 100, 20, Convert(Float, 590));
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0010', 1, 'CL000010', 'AB001', 'ST002', 1, DATEADD(day, -120, dbo.Set_Data(GETDATE())), DATEADD(day, 245, dbo.Set_Data(GETDATE())), 1, 0, 25);
INSERT INTO Gestione_MoneyCard (Codice_Cliente, Importo, Importo_Omaggio, Importo_Usato, Data_Inizio, Data_Fine, Ultimo_Utilizzo) VALUES ('CL000010', Convert(Float, 50), Convert(Float, 5), Convert(Float, 12.5), DATEADD(day, -120, dbo.Set_Data(GETDATE())), Null, DATEADD(day, -4, dbo.Set_Data(GETDATE())));
INSERT INTO Gestione_Aggiunte (Codice_Cliente, Codice_Struttura, Codice_Pacchetto, ID_Pacchetto, Prog_Riga, Descrizione, Data_Inizio, Data_Fine, Sedute, SeduteFatte, Punti, Punti_Uti, Importo) VALUES ('CL000010', 'ST003', 'PK001', 1, 1, 'PACCHETTO 5 INGRESSI SPA', DATEADD(day, -15, dbo.Set_Data(GETDATE())), DATEADD(day, 75, dbo.Set_Data(GETDATE())), 5, 1, 50, 0, Convert(Float, 120));
INSERT INTO Gestione_Aggiunte (Codice_Cliente, Codice_Struttura, Prog_Riga, Descrizione, Data_Inizio, Data_Fine, Sedute, SeduteFatte, Importo) VALUES ('CL000010', 'ST004', 1, 'INGRESSI SALA FITNESS', DATEADD(day, -15, dbo.Set_Data(GETDATE())), DATEADD(day, 75, dbo.Set_Data(GETDATE())), 0, 0, Convert(Float, 0));

-- Conti: occasional customer with a day ticket for the pool, bought today on a bare card.
INSERT INTO Gestione_Biglietti (Codice_Biglietto, Codice_Cliente, Codice_Tessera, Data_Acquisto, Data_Inizio, Data_Fine, Sedute, SeduteFatte, Scaduta) VALUES ('BG001', 'CL000011', 'TK000001', dbo.Set_Data(GETDATE()), dbo.Set_Data(GETDATE()), dbo.Set_Data(GETDATE()), 1, 0, 0);

-- A special card that deletes the sales marked for deletion.
INSERT INTO wSys_SpecialCards (Codice_Card, Tipo_Op, Descrizione) VALUES ('SPC0000001', 1, 'ELIMINA VENDITE MARCATE');

-- ---------------------------------------------------------------------------------------
-- Booked pool lanes and the courses room
-- ---------------------------------------------------------------------------------------

-- Terminal 8 switches on the lights of pool lanes 1 and 2 (relays 1 and 2 for 5 units)
-- for members who booked them; a lane may be switched on from midnight to 23:59 of the
-- booked day, so that the demo works whenever it runs. Staff badge and type the lane.
INSERT INTO Dettaglio_Terminali (ID, Indirizzo, Descrizione, Attivo, Indirizzo_IP, Tipo, Uscita, Personale, Stop, Vai, TempoStop, TempoVai, NReleStop, NReleVai, Codice_Struttura, Visualizza_Dett, Gestisci_Attivita, Intervallo_Presenze) VALUES (8, 8, 'CORSIE PISCINA', -1, '127.0.0.8', 6, 0, 0, -1, -1, 1, 3, 1, 1, Null, -1, 0, 0);
INSERT INTO Dettaglio_Terminali_Sub (ID_Terminale, Cd_SubStruttura, NReleVai, TempoVai, IOX, TempoAnticipo, TempoRitardo, TempoApertura, Vai) VALUES (8, 1, 1, 5, 0, 720, 719, 0, -1);
INSERT INTO Dettaglio_Terminali_Sub (ID_Terminale, Cd_SubStruttura, NReleVai, TempoVai, IOX, TempoAnticipo, TempoRitardo, TempoApertura, Vai) VALUES (8, 2, 2, 5, 0, 720, 719, 0, -1);

-- Rossi booked lane 1 today at noon.
INSERT INTO Booking_Clienti (ID_PivotPrenotazione, Codice_Cliente, Codice_Abbonamento, Codice_Iscrizione) VALUES (1, 'CL000001', 'AB001', 'ISCR0001');
INSERT INTO Agenda_Struttura (Cd_SubStruttura, Data_Prenotazione, DaOre, AOre, ID_PivotPrenotazione) VALUES (1, dbo.Set_Data(GETDATE()), '1900-1-1 12:00:00', '1900-1-1 13:00:00', 1);

-- Terminal 9, the courses room: a member types the code of the activity ("15" the room,
-- "23" yoga on Tuesday and Thursday evenings).
INSERT INTO Anagrafica_Strutture (Codice_Struttura, Codice_Bis, Descrizione, Codice_Area, Esterna, NoVerifica_Irregolari, Abilita_Ingresso, APrenotazione, Tolleranza, TolleranzaU) VALUES ('ST005', '15', 'SALA CORSI', 'AR001', 0, 1, -1, 0, 10, 15);
INSERT INTO Anagrafica_Corsi (Codice_Corso, Codice_Bis, Descrizione, Codice_Area, APrenotazione, Data_Inizio, Data_Fine, Tolleranza) VALUES ('CS003', '23', 'YOGA', 'AR001', 1, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), 10);
INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('ST005', 'ST005');
INSERT INTO Attivita_Strutture (Codice, Codice_Struttura) VALUES ('CS003', 'ST005');
INSERT INTO Attivita_Terminali (Codice, Codice_Struttura) VALUES ('CS003', 'ST005');
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS003', 'IS0001', 'ST005', 2, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 19:00:00', '1900-1-1 20:00:00');
INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, Codice_Istruttore, Codice_Struttura, GiornoSettimana, DaData, AData, DaOre, AOre) VALUES ('CS003', 'IS0001', 'ST005', 4, DATEADD(day, -90, dbo.Set_Data(GETDATE())), DATEADD(day, 275, dbo.Set_Data(GETDATE())), '1900-1-1 19:00:00', '1900-1-1 20:00:00');
INSERT INTO Dettaglio_Terminali (ID, Indirizzo, Descrizione, Attivo, Indirizzo_IP, Tipo, Uscita, Personale, Stop, Vai, TempoStop, TempoVai, NReleStop, NReleVai, Codice_Struttura, Visualizza_Dett, Gestisci_Attivita, Intervallo_Presenze) VALUES (9, 9, 'SALA CORSI', -1, '127.0.0.9', 6, 0, 0, -1, -1, 1, 3, 1, 1, 'ST005', -1, 1, 0);

-- Lombardi: the courses room and yoga for the year.
INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome, Nome, Indirizzo, Citta, Telefono, Data_Nascita, Stato, Controlli_Cliente, Data_Registrazione) VALUES ('CL000012', '0001234512', 'LOMBARDI', 'GIORGIA', 'VIA PETRARCA 4', 'BERGAMO', '035 221112', {d '1990-06-21'}, 1, 1, DATEADD(day, -60, dbo.Set_Data(GETDATE())));
INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente, Codice_Abbonamento, Descrizione, Data_Inizio, Data_Fine, Scaduta, Importo) VALUES ('ISCR0012', 'CL000012', 'AB001', 'ANNUALE CORSI', DATEADD(day, -60, dbo.Set_Data(GETDATE())), DATEADD(day, 305, dbo.Set_Data(GETDATE())), 0, Convert(Float, 420));
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0012', 1, 'CL000012', 'AB001', 'ST005', 1, DATEADD(day, -60, dbo.Set_Data(GETDATE())), DATEADD(day, 305, dbo.Set_Data(GETDATE())), 1, 0, 0);
INSERT INTO Iscrizioni_Strutture (Codice_Iscrizione, Prog_Riga, Codice_Cliente, Codice_Abbonamento, Codice_Struttura, Tipologia, Data_Inizio, Data_Fine, TipoSedute, Sedute, SeduteFatte) VALUES ('ISCR0012', 2, 'CL000012', 'AB001', 'CS003', 2, DATEADD(day, -60, dbo.Set_Data(GETDATE())), DATEADD(day, 305, dbo.Set_Data(GETDATE())), 1, 0, 0);
