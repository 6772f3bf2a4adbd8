// Fixed-fee entries through Elabora_Messaggi: a paid fee admits from its renewal to its
// expiry plus the grace days of its kind, to the end of the last valid day; only an
// admitted pass counts for the sub-terminals behind the entrance.
#include "scenario.h"

#include "db/setting_slots.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

// Entrance 3 admits on fixed fees (go relay 1 for 3, stop relay 1 for 1); terminal 4 is its
// sub-terminal. Rossi's fee of kind 1 was renewed on 1 March and expired ten days ago.
struct ScadenzeFisse : Centro {
    // Setting slots of the grace days of kinds 1 to 6.
    static constexpr int kTolleranze[] = {impostazione::Tolleranza1,  impostazione::Tolleranza2,  impostazione::Tolleranza11,
                                          impostazione::Tolleranza16, impostazione::Tolleranza17, impostazione::Tolleranza18};

    void SetUp() override {
        Centro::SetUp();
        x.terminale(3, 1, "", "Gestisci_Attivita=2, Vai=-1, TempoVai=3, Stop=-1, TempoStop=1");
        x.terminale(4, 1, "", "SubTerminale=-1, Vai=-1, TempoVai=2");
        avvia();
        sql("INSERT INTO Dettaglio_SubTerminali (ID_Terminale, ID_Terminale_Sub, Tipo_Verifica) VALUES (1, 2, 1);"
            "INSERT INTO Tabella_ScadenzeFisse (Tipo_Scadenza, Scadenza, Ingresso) VALUES (1, 'QUOTA', -1), "
            "  (2, 'CERTIFICATO', -1), (3, 'ASSICURAZIONE', -1), (4, 'TESSERA', -1), (5, 'FAMIGLIA', -1), "
            "  (6, 'CORSI', -1), (7, 'ALTRO', 0);"
            "INSERT INTO AnagraficaC_Clienti (Codice_Cliente, Tipo_Certificato, Pagato, Data_Rinnovo, Data_Scadenza) "
            "  VALUES ('CL000001', 1, -1, '2023-03-01 00:00:00', '2024-02-26 00:00:00')");
        for (int slot : kTolleranze) x.s.settings.setSlot(slot, Value(10));
    }
    // Reads at `address`; true when the gate opened.
    bool entra(int address = 3) {
        rilegge(address, "0001234501");
        const auto q = x.queued(address);
        return !q.empty() && q[0] == "\fOK|ABILITATO";
    }
    void fee(const std::string& set) { sql("UPDATE AnagraficaC_Clienti SET " + set); }
};

}  // namespace

TEST_F(ScadenzeFisse, EachKindAdmitsWithinItsGraceDays) {
    for (int kind = 1; kind <= 6; ++kind) {
        fee("Tipo_Certificato=" + std::to_string(kind));
        for (int slot : kTolleranze) x.s.settings.setSlot(slot, Value(10));
        EXPECT_TRUE(entra()) << kind;
        x.s.settings.setSlot(kTolleranze[kind - 1], Value(9));
        EXPECT_FALSE(entra()) << kind;
    }
    // A kind that does not admit.
    fee("Tipo_Certificato=7");
    EXPECT_FALSE(entra());
}

TEST_F(ScadenzeFisse, AdmissionWritesTheVisitAndThePassRefusalNothing) {
    EXPECT_TRUE(entra());
    EXPECT_EQ(inviati(3), std::vector<std::string>{"%O1\x03"});
    EXPECT_EQ(conta("Presenze WHERE Codice_Cliente='CL000001' AND IndTerminale=3 AND Codice_Tessera='0001234501' AND "
                    "Fuori_Orario=0 AND Ora_Presenza='1900-01-01 10:30:00'"), 1);
    EXPECT_EQ(conta("Log_Terminali_Presenze WHERE Codice_Cliente='CL000001' AND IndTerminale=3"), 1);
    EXPECT_EQ(stato(3, "Regolare"), Value(1));
    EXPECT_EQ(conta("Stato_Terminali WHERE Indirizzo=0"), 1);
    EXPECT_TRUE(entra(4));

    // Unpaid, or renewed only from tomorrow: refused, nothing written.
    sql("DELETE FROM Presenze; DELETE FROM Log_Terminali_Presenze");
    for (const char* set : {"Pagato=0", "Pagato=-1, Data_Rinnovo='2024-03-08 00:00:00'"}) {
        fee(set);
        EXPECT_FALSE(entra()) << set;
        EXPECT_EQ(inviati(3), std::vector<std::string>{"%O1\x01"});
        EXPECT_EQ(x.queued(3).at(0), "\fSTOP|NON ABILITATO");
        EXPECT_EQ(stato(3, "Regolare"), Value(0));
        EXPECT_FALSE(entra(4)) << set;  // only an admitted pass opens the sub-terminals
    }
    EXPECT_EQ(conta("Presenze"), 0);
    EXPECT_EQ(conta("Log_Terminali_Presenze"), 0);
}

TEST_F(ScadenzeFisse, TheLastValidDayLastsUntilMidnight) {
    for (int slot : kTolleranze) x.s.settings.setSlot(slot, Value(0));
    fee("Data_Scadenza='2024-03-07 00:00:00'");
    x.at(23, 59, 59);
    EXPECT_TRUE(entra());
    x.f.clock.setFixed(DateTime::fromParts(2024, 3, 8, 0, 0, 0));
    EXPECT_FALSE(entra());
}
