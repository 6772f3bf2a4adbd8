#pragma once
// The slots of the operating settings: each index names one column of the single row of
// `Impostazioni_Funzionamento` (index 45, `NomeReport`, is read through a join). Use the
// names, as in s.settings.slot(impostazione::AnticipoPren).

// X(index, column) for every slot that loads a column.
#define VELARIS_SETTING_SLOTS(X) \
    X(1, Costo_CM) X(2, FattConvEuro) X(3, Costo_Q) X(4, Giorni_Sospensione) X(5, Costo_QA) X(6, Giorno_Pref) \
    X(7, Iscrizione_Annuale) X(8, Periodi_Chiusura) X(9, Segnala_Archiviati) X(10, IndClienti) \
    X(11, Quota_Assicurativa) X(12, StampaLogo) X(13, Consenti_ER) X(15, Prima_Scadenza) \
    X(16, Gestione_Entrate) X(17, Tempo_Attesa) X(18, Utilizza_CodBis) X(19, Verificato) X(20, Cd_Iva) \
    X(23, Tolleranza1) X(24, Tolleranza2) X(25, Tolleranza3) X(26, Tolleranza4) X(27, Tolleranza5) \
    X(28, Tolleranza6) X(29, Tolleranza7) X(30, Tolleranza8) X(31, Tolleranza9) X(32, Tolleranza10) \
    X(33, Tolleranza11) X(34, Pagamento_CM) X(35, Pagamento_Q) X(36, Pagamento_QA) X(37, AnticipoPren) \
    X(38, Tolleranza12) X(39, Giorni_Ret) X(40, Giorni_Missed) X(42, Certificato_Medico) X(43, Path_Foto) \
    X(44, Path_Immagini) X(45, NomeReport) X(46, Orari_Ingresso) X(47, Conferma_Attivita) \
    X(48, Pren_Operatori) X(49, Archivio_Presenze) X(50, Pren_NoUsata) X(51, Intervallo_Presenze) \
    X(52, TipoDocumento) X(53, CopieR) X(54, CopieF) X(55, CopieC) X(56, Cd_Iva_QA) X(57, Cd_Iva_CM) \
    X(58, Cd_Iva_QAss) X(59, Cd_Iva_MoneyC) X(60, Foto_Cliente) X(61, Costi_Zero) X(62, Start_Up) \
    X(63, Unita_Premi) X(64, Gestione_Cassa) X(65, Blocco_NoVendite) X(66, Formato_Foto) \
    X(67, Pacchetti_Aggiunte) X(68, Gestisci_Foto) X(69, Tolleranza13) X(100, Codice_Centro) X(103, NoExit) \
    X(111, Tolleranza14) X(112, Tolleranza15) X(113, Tolleranza16) X(114, Tolleranza17) X(115, Tolleranza18) \
    X(116, Att_Mov) X(117, Gestione_Fatture) X(118, Gestione_Ricevute) X(119, Gestione_VN) X(120, Punti_Rec1) \
    X(121, Punti_Rec2) X(122, Punti_Rec_Giorni) X(123, Max_Vendita_Cont) X(124, Path_Piani_Lavoro) \
    X(125, Path_Documenti_Acquisiti) X(126, Azzera_Apertura) X(127, Codice_Biglietto_Obb) \
    X(128, Struttura_Darsena_UT) X(129, Struttura_Darsena1) X(130, Struttura_Darsena2) \
    X(131, Struttura_Biglietti) X(132, SMS_User) X(133, SMS_PWD) X(134, SMS_Mittente) X(135, Vendite_Singole) \
    X(136, Attivita_Generica) X(137, EMail_Tipo) X(138, EMail_Nome_Mittente) X(139, EMail_Indirizzo_Mittente) \
    X(140, SMTP_Server) X(141, SMTP_User) X(142, SMTP_Pwd) X(143, SMTP_Port) X(144, Scelta_Orari_Aut) \
    X(145, Dati_Minori_Obb) X(146, Unita_Punti_Fedelta) X(147, Gestione_Scontrini) X(148, Codici_Su_Doc) \
    X(149, Indirizzo_Geo) X(150, Latitudine) X(151, Longitudine) X(152, Data_Punti_Fedelta) \
    X(153, Codice_Catalogo_GymPay) X(154, Codice_API_GymPay) X(155, Codice_Merchant_GymPay) \
    X(156, Cd_Pagamento_GymPay) X(157, Fascia_Eta) X(158, Inizio_Stagione) X(159, Fine_Stagione) \
    X(160, SMTP_SSL) X(161, Codice_Catalogo_Open_GymPay) X(162, AERS_User) X(163, AERS_Pwd) \
    X(164, Path_Articoli) X(165, Obbligo_Doc_Associati) X(166, Cd_Modello_Invio_Doc) X(167, URL_FTP) \
    X(168, User_FTP) X(169, Pwd_FTP) X(170, Path_Immagini_FTP) X(171, BaseURL_MyWellness) \
    X(172, UserName_MyWellness) X(173, Pwd_MyWellness) X(174, FacilityURL_MyWellness) \
    X(175, APIKey_MyWellness) X(176, Carrello_Registra_web) X(177, TolleranzaU) X(188, PrenComePres) \
    X(214, Tolleranza19)

namespace velaris::impostazione {
#define VELARIS_SETTING_SLOT(index, column) inline constexpr int column = index;
VELARIS_SETTING_SLOTS(VELARIS_SETTING_SLOT)
#undef VELARIS_SETTING_SLOT
}  // namespace velaris::impostazione
