#include <gtest/gtest.h>

#include "centro.h"
#include "checks/orari.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

struct Orari : ::testing::Test {
    Centro c;
    Value a, b;
    void SetUp() override { c.cliente("CL1"); }
    // A subscription row of the scratch table for `attivita`.
    void rigaAbbonamento(const std::string& attivita, const std::string& tipo = "AB1", const std::string& iscrizione = "IS1") {
        c.sql("INSERT INTO wTmp_Presenze_Strutture (Origine, Codice_Cliente, Codice_Struttura, Codice_Abbonamento, "
              "Codice_Iscrizione, ID_Iscrizione) VALUES ('Abbonamento', 'CL1', '" + attivita + "', '" + tipo + "', '" +
              iscrizione + "', 1)");
    }
    Value strutture() { return Orario_Strutture_Ingresso(c.x.s, Value(), Value("CL1"), a, b, Value("TESTO")); }
    Value corsi() { return Orario_Corsi_Ingresso(c.x.s, Value(), Value("CL1"), a, b, Value("TESTO")); }
    // The rows still confirmed after the facility or the course check.
    int strutturePassa() { return strutture(), confermate(); }
    int corsiPassa() { return corsi(), confermate(); }
    int confermate() { return static_cast<int>(c.scalar("SELECT Count(*) FROM wTmp_Presenze_Strutture WHERE Conferma<>0").toInt()); }
    void ripristina() { c.sql("UPDATE wTmp_Presenze_Strutture SET Conferma=1, Singola=0, DaOre=NULL, AOre=NULL"); }
    Value colonna(const std::string& col) { return c.scalar("SELECT TOP 1 " + col + " FROM wTmp_Presenze_Strutture"); }
};

}  // namespace

TEST_F(Orari, DayBandsOfTheRowAndHolidays) {
    rigaAbbonamento("ST01");
    c.sql("INSERT INTO Giorni_DD_Fasce_Abbonamenti_Righe (Codice_Abbonamento, Codice_Struttura, DDSettimana, Fascia_Ini, "
          "Fascia_Fin) VALUES ('AB1', 'ST01', 6, '1900-01-01 08:00:00', '1900-01-01 20:00:00')");
    c.alle(2024, 3, 8, 10, 0);  // Friday
    EXPECT_EQ(strutture(), Value("TESTO"));
    EXPECT_EQ(confermate(), 0);
    ripristina();
    c.alle(2024, 3, 9, 10, 0);  // Saturday
    EXPECT_EQ(strutturePassa(), 1);
    c.sql("INSERT INTO Periodi_Esclusi (Inizio_Periodo, Fine_Periodo) VALUES ('2024-03-09 00:00:00', '2024-03-09 00:00:00')");
    EXPECT_EQ(strutturePassa(), 0);
    ripristina();
    c.sql("INSERT INTO Giorni_DD_Fasce_Abbonamenti_Righe (Codice_Abbonamento, Codice_Struttura, DDSettimana, Fascia_Ini, "
          "Fascia_Fin) VALUES ('AB1', 'ST01', 8, '1900-01-01 09:00:00', '1900-01-01 12:00:00')");
    EXPECT_EQ(strutturePassa(), 1);
    // Bands of another facility do not bind this one.
    c.sql("UPDATE Giorni_DD_Fasce_Abbonamenti_Righe SET Codice_Struttura='ST99'");
    c.alle(2024, 3, 8, 10, 0);
    EXPECT_EQ(strutturePassa(), 1);
}


TEST_F(Orari, ClosuresOfEveryAreaOrOfTheActivityArea) {
    c.sql("UPDATE Anagrafica_Strutture SET Codice_Area='AR1'");
    rigaAbbonamento("ST01");
    c.sql("INSERT INTO Periodi_NonPrenotabili (Motivo, Codice, GiornoSettimana, Data_Inizio, Data_Fine, Ora_Inizio, Ora_Fine) "
          "VALUES ('LAVORI', 'AR2', 0, '2024-03-01 00:00:00', '2024-03-31 00:00:00', '1900-01-01 08:00:00', "
          "'1900-01-01 12:00:00')");
    EXPECT_EQ(strutturePassa(), 1);
    c.sql("UPDATE Periodi_NonPrenotabili SET Codice='AR1'");
    EXPECT_EQ(strutturePassa(), 0);
    ripristina();
    c.sql("UPDATE Periodi_NonPrenotabili SET Codice='00000'");
    EXPECT_EQ(strutturePassa(), 0);
}


TEST_F(Orari, FacilityThatRequiresABooking) {
    c.sql("UPDATE Anagrafica_Strutture SET APrenotazione=-1, Tolleranza=15");
    rigaAbbonamento("ST01");
    c.sql("INSERT INTO Gestione_Prenotazioni (Codice2, Data_Prenotazione, DaOre, AOre) "
          "VALUES ('ST01', '2024-03-07 00:00:00', '1900-01-01 18:00:00', '1900-01-01 19:00:00')");
    c.sql("INSERT INTO Booking_Clienti (ID_PivotPrenotazione, Codice_Cliente, Codice_Iscrizione, ID_Iscrizione, "
          "Ingresso_Scalato) VALUES (1, 'CL1', 'IS1', 1, -1)");
    // 18:00-19:00 with 15 minutes of tolerance before the start.
    const struct { int h, m, confermate; } casi[] = {{17, 45, 1}, {19, 0, 1}, {17, 44, 0}, {19, 1, 0}};
    for (const auto& k : casi) {
        ripristina();
        c.alle(2024, 3, 7, k.h, k.m);
        EXPECT_EQ(strutturePassa(), k.confermate) << k.h << ":" << k.m;
        if (k.confermate) {
            EXPECT_EQ(c.righe("SELECT DaOre, Ingresso_Scalato FROM wTmp_Presenze_Strutture"),
                      "1900-01-01 18:00:00|-1");
        }
    }
}



namespace {

struct Lezioni : Orari {
    void SetUp() override {
        Orari::SetUp();
        c.sql("INSERT INTO Anagrafica_Corsi (Codice_Corso, Descrizione, APrenotazione, Data_Inizio, Data_Fine, Tolleranza) "
              "VALUES ('CS1', 'YOGA', 0, '2024-01-01 00:00:00', '2024-06-30 00:00:00', 10)");
        c.sql("INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, GiornoSettimana, DaData, AData, DaOre, AOre) "
              "VALUES ('CS1', 4, '2024-01-01 00:00:00', '2024-06-30 00:00:00', '1900-01-01 10:00:00', '1900-01-01 11:00:00')");
        rigaAbbonamento("CS1");
    }
};

}  // namespace

TEST_F(Lezioni, CourseOutOfSeasonIsStruckFirst) {
    c.sql("UPDATE Anagrafica_Corsi SET Data_Fine='2024-03-06 00:00:00', APrenotazione=1");
    EXPECT_EQ(corsiPassa(), 0);
    EXPECT_EQ(colonna("Singola"), Value(0));
}

TEST_F(Lezioni, EnrolmentMakeUpOrBookingForTheRunningLesson) {
    EXPECT_EQ(corsiPassa(), 0);  // running, but not enrolled
    const struct { const char* tabella; const char* valori; int singola; } casi[] = {
        {"Clienti_Frequenze_Corsi (Codice_Cliente, Codice_Corso, ID_Corso, InUso, Enroll)", "'CL1', 'CS1', 1, -1, -1", 0},
        {"Clienti_Recuperi_Corsi (Codice_Cliente, Codice_Corso, ID_Corso, Data_Inizio, Data_Fine, Enroll)",
         "'CL1', 'CS1', 1, '2024-03-01 00:00:00', '2024-03-31 00:00:00', -1", 0},
        {"Gestione_Prenotazioni_Corsi (Codice_Cliente, Codice_Corso, ID_Corso, Data_Prenotazione, Codice_Iscrizione, "
         "ID_Iscrizione, Enroll, Ingresso_Scalato)", "'CL1', 'CS1', 1, '2024-03-07 00:00:00', 'IS1', 1, -1, -1", 1},
    };
    for (const auto& k : casi) {
        SCOPED_TRACE(k.tabella);
        ripristina();
        c.sql(std::string("INSERT INTO ") + k.tabella + " VALUES (" + k.valori + ")");
        EXPECT_EQ(corsiPassa(), 1);
        EXPECT_EQ(c.righe("SELECT AOre, Singola FROM wTmp_Presenze_Strutture"),
                  "1900-01-01 11:00:00|" + std::to_string(k.singola));
        c.sql(std::string("DELETE FROM ") + std::string(k.tabella).substr(0, std::string(k.tabella).find(' ')));
    }
}

TEST_F(Lezioni, NoLessonRunningMarksTheRow) {
    c.sql("UPDATE Anagrafica_Corsi SET APrenotazione=1");
    c.alle(2024, 3, 7, 9, 50);  // the tolerance opens the lesson
    EXPECT_EQ(corsiPassa(), 1);
    c.alle(2024, 3, 7, 9, 49);
    EXPECT_EQ(corsiPassa(), 0);
    EXPECT_EQ(colonna("Singola"), Value(-2));
}


TEST_F(Orari, FailureIsLoggedAndEndsTheRead) {
    rigaAbbonamento("ST01");
    c.sql("DROP TABLE Periodi_NonPrenotabili");
    EXPECT_THROW(strutture(), DbError);
    ASSERT_FALSE(c.x.f.logLines.empty());
    EXPECT_NE(c.x.f.logLines.back().find(" - Function Orario_Strutture_Ingresso"), std::string::npos);
}
