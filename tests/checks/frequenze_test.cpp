#include <gtest/gtest.h>

#include "centro.h"
#include "checks/frequenze.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

DateTime giorno(int a, int m, int g) { return DateTime::fromParts(a, m, g); }

struct Periodi : ::testing::Test {
    Centro c;
    std::pair<Value, Value> periodo(int n, int unita) {
        const int id = c.intervallo(n, unita);
        return {Cerca_Data_Inizio(c.x.s, Value(id)), Cerca_Data_Fine(c.x.s, Value(id))};
    }
};

}  // namespace

// `unita` 1 day .. 4 year; periods of more than one unit reach back from today's.
TEST_F(Periodi, EachUnitSpansWholeDaysWeeksMonthsAndYears) {
    const struct { int n, unita; DateTime inizio, fine; } casi[] = {
        {1, 2, giorno(2024, 3, 4), giorno(2024, 3, 10)},  // Thursday 7 March 2024: weeks run Monday to Sunday
        {2, 2, giorno(2024, 2, 26), giorno(2024, 3, 17)},
        {3, 1, giorno(2024, 3, 5), giorno(2024, 3, 9)},
        {2, 3, giorno(2024, 2, 1), giorno(2024, 4, 30)},
        {2, 4, giorno(2023, 1, 1), giorno(2025, 12, 31)},  // two years: last year and this one, forward like the others
    };
    for (const auto& k : casi) {
        auto [inizio, fine] = periodo(k.n, k.unita);
        EXPECT_EQ(inizio, Value(k.inizio)) << k.n << " of unit " << k.unita;
        EXPECT_EQ(fine, Value(k.fine)) << k.n << " of unit " << k.unita;
    }
}

TEST_F(Periodi, EndOfFebruary) {
    for (int anno : {2024, 2023, 2100}) {  // 2100 is no leap year: the period must end on a real day
        c.alle(anno, 2, 10, 10, 0);
        EXPECT_EQ(periodo(1, 3).second, Value(giorno(anno, 2, anno == 2024 ? 29 : 28))) << anno;
    }
}



namespace {

struct Conteggi : ::testing::Test {
    Centro c;
    void SetUp() override { c.cliente("CL1"); }
    int conta(int intervallo, const Value& struttura = Value(), const Value& iscrizione = Value()) {
        return Conta_Presenze_Periodo(c.x.s, Value("CL1"), Value(intervallo), Value(giorno(2024, 3, 4)),
                                      Value(giorno(2024, 3, 10)), iscrizione, Value(0), struttura, Value(0));
    }
};

}  // namespace

TEST_F(Conteggi, OnlyTheCountedWeekdays) {
    // Monday, Tuesday, Wednesday and Sunday of the week, and the Sunday before it.
    for (int g : {4, 5, 6, 10, 3})
        c.presenza(g, "CL1", (g < 10 ? "2024-03-0" : "2024-03-") + std::to_string(g), "IS1");
    EXPECT_EQ(conta(c.intervallo(1, 2, "1010000")), 2);
    EXPECT_EQ(conta(c.intervallo(1, 2, "0000001")), 1);
    EXPECT_EQ(conta(c.intervallo(1, 2, "1111111")), 4);
    EXPECT_EQ(conta(c.intervallo(1, 2, "0000000")), 0);
}


TEST_F(Conteggi, BookingOfTheEntryUnderWayIsNotCounted) {
    c.impostazione("AnticipoPren=15");
    c.sql("INSERT INTO Anagrafica_Corsi (Codice_Corso, Descrizione, Tolleranza) VALUES ('CS1', 'YOGA', 0)");
    c.sql("INSERT INTO Orario_Istruttori_Corsi (Codice_Corso, GiornoSettimana, DaOre, AOre) "
          "VALUES ('CS1', 4, '1900-01-01 18:00:00', '1900-01-01 19:00:00')");
    c.sql("INSERT INTO Gestione_Prenotazioni_Corsi (Codice_Cliente, Codice_Corso, ID_Corso, Data_Prenotazione, Enroll) "
          "VALUES ('CL1', 'CS1', 1, '2024-03-07 00:00:00', -1)");
    const int iv = c.intervallo(1, 2);
    auto conta = [&] {
        return Conta_Presenze_Prenotazioni_Periodo(c.x.s, Value("CL1"), Value(iv), Value(giorno(2024, 3, 4)),
                                                   Value(giorno(2024, 3, 10)), Value(), Value(0), Value(), Value(0));
    };
    c.alle(2024, 3, 7, 17, 50);
    EXPECT_EQ(conta(), 0);
    c.alle(2024, 3, 7, 17, 30);
    EXPECT_EQ(conta(), 1);
    // A booking of another day of the period always counts, with the attendances.
    c.sql("INSERT INTO Gestione_Prenotazioni_Corsi (Codice_Cliente, Codice_Corso, ID_Corso, Data_Prenotazione, Enroll) "
          "VALUES ('CL1', 'CS1', 1, '2024-03-08 00:00:00', -1)");
    c.presenza(1, "CL1", "2024-03-05", "IS1");
    c.alle(2024, 3, 7, 17, 50);
    EXPECT_EQ(conta(), 2);
    // A booking not confirmed (Enroll 0) is no visit.
    c.sql("UPDATE Gestione_Prenotazioni_Corsi SET Enroll=0");
    EXPECT_EQ(conta(), 1);
    EXPECT_TRUE(c.x.f.logLines.empty()) << c.x.f.logLines.front();
}


namespace {

struct VerificaDD : ::testing::Test {
    Centro c;
    Value freq, iv, tempo;
    DatiDD d;
    int esito(int modo = 3) { return Verifica_DD(c.x.s, modo, d, freq, iv, tempo); }
    void SetUp() override {
        c.cliente("CL1");
        c.abbonamento("CL1", "IS1", "AB1");
        c.sql("UPDATE Anagrafica_Abbonamenti SET FrequenzaDD=2, ID_Intervallo=7, Tempo_Permanenza=90");
        c.sql("INSERT INTO Abbonamenti_Strutture (Codice_Abbonamento, Codice_Struttura, FrequenzaDD, ID_Intervallo) "
              "VALUES ('AB1', 'ST01', 1, 8)");
    }
};

}  // namespace

TEST_F(VerificaDD, SubscriptionDataAndSuspension) {
    d.Codice_Abbonamento = Value("AB1");
    d.Codice_Iscrizione = Value("IS1");
    EXPECT_EQ(esito(1), kDD_Entro);
    EXPECT_EQ(freq.toText() + " " + iv.toText() + " " + tempo.toText(), "2 7 90");
    d.Codice_Struttura = Value("ST01");
    esito(1);
    EXPECT_EQ(freq.toText() + " " + iv.toText(), "1 8");  // the facility's own limit

    // An open-ended suspension that began yesterday.
    c.sql("INSERT INTO Gestione_Sospensioni (Codice_Iscrizione, Data_Inizio_Sospensione) VALUES ('IS1', '2024-03-06 00:00:00')");
    EXPECT_EQ(esito(1), kDD_Sospeso);
    EXPECT_TRUE(c.x.s.esiti.EsitoT_Sospeso);
    // Ended yesterday: no longer suspended, and the flag follows.
    c.sql("UPDATE Gestione_Sospensioni SET Data_Fine_Sospensione='2024-03-06 00:00:00'");
    EXPECT_EQ(esito(1), kDD_Entro);
    EXPECT_FALSE(c.x.s.esiti.EsitoT_Sospeso);
}


TEST_F(VerificaDD, FrequencyOfAnEntitlementAtAFacility) {
    d.Codice_Cliente = Value("CL1");
    d.Codice_Iscrizione = Value("IS1");
    d.Codice_Struttura = Value("ST01");
    freq = Value(2);
    iv = Value(c.intervallo(1, 2));
    EXPECT_EQ(esito(), kDD_Entro);  // never used
    c.presenza(1, "CL1", "2024-03-04", "IS1");
    EXPECT_EQ(esito(), kDD_Entro);
    c.presenza(2, "CL1", "2024-03-05", "IS1");
    EXPECT_EQ(esito(), kDD_Limite);
    // No limit when either number is blank.
    freq = Value::null();
    EXPECT_EQ(esito(), kDD_Entro);

    // A daily add-on used today is at its limit; another add-on is not.
    d.Codice_Iscrizione = Value();
    d.ID_Aggiunta = Value(5);
    freq = Value(1);
    iv = Value(c.intervallo(1, 1));
    c.presenza(3, "CL1", "2024-03-07", "", "ST01", 0);
    c.sql("UPDATE Presenze_Strutture SET ID_Aggiunta=5 WHERE ID_Presenza=3");
    EXPECT_EQ(esito(), kDD_Limite);
    d.ID_Aggiunta = Value(6);
    EXPECT_EQ(esito(), kDD_Entro);
}

// A count the database failed to give must not read as "no visits yet" and admit past
// the limit: the error is logged and raised, so the read ends without a verdict.
TEST_F(VerificaDD, FailureEndsTheReadInsteadOfAdmitting) {
    c.sql("DROP TABLE Presenze_Strutture");
    d.Codice_Cliente = Value("CL1");
    d.Codice_Iscrizione = Value("IS1");
    freq = Value(1);
    iv = Value(c.intervallo(1, 2));
    EXPECT_THROW(esito(), DbError);
    ASSERT_FALSE(c.x.f.logLines.empty());
    EXPECT_NE(c.x.f.logLines.back().find(" - Function Verifica_DD"), std::string::npos);
    EXPECT_THROW(Conta_Presenze_Periodo(c.x.s, Value("CL1"), iv, Value(giorno(2024, 3, 4)),
                                        Value(giorno(2024, 3, 10)), Value(), Value(0), Value(), Value(0)),
                 DbError);
    EXPECT_NE(c.x.f.logLines.back().find(" - Function Conta_Presenze_Periodo"), std::string::npos);
}
