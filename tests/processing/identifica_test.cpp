#include "processing/identifica.h"

#include "attendance/righe.h"
#include "scenario.h"

using namespace velaris;
using velaris::test::Centro;

namespace {

struct Identifica : Centro {
    Value cognome, nome;
    std::string id(std::string code) {
        cognome = Value();
        nome = Value();
        return Identifica_Codice(x.s, code, cognome, nome);
    }
};

}  // namespace

TEST_F(Identifica, MembersByKeySecondCodeAndTrack) {
    x.f.native("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Codice_Bis, Cognome) VALUES ('CL000002', '', 'VUOTO')");
    EXPECT_EQ(id("0001234501"), "CL000001");
    EXPECT_EQ(cognome, Value("ROSSI "));
    EXPECT_EQ(nome, Value("MARIO"));
    EXPECT_EQ(id("CL000001"), "CL000001");
    // A magnetic track is read up to its end sentinel, whatever follows it.
    for (const char* track : {";0001234501?", ";0001234501?>", ";0001234501?<"}) EXPECT_EQ(id(track), "CL000001");
    // Without "?" there is nothing to strip up to, nor without ";" first or a sentinel last:
    // the code stays as read and names nobody.
    for (const char* raw : {";0001234501>", ";0001234501<", ";0001234501?X", "X0001234501?", ";"})
        EXPECT_EQ(id(raw), "") << raw;
    EXPECT_EQ(id("0009999999"), "");
    // A blank code matches nobody, not even a member with a blank second code.
    for (const char* blank : {"", "   ", ";?"}) EXPECT_EQ(id(blank), "") << blank;
    EXPECT_TRUE(errori().empty());
    // Without second codes every code is its own owner.
    x.f.native("UPDATE Impostazioni_Funzionamento SET Utilizza_CodBis=0");
    x.s.settings.Defaults_DopoAggiornamento();
    EXPECT_EQ(id("0001234501"), "0001234501");
    EXPECT_TRUE(cognome.isEmpty());
}

TEST_F(Identifica, AdditionalCardGivesItsOwnerAndNotes) {
    x.f.native("INSERT INTO Tessere_Aggiuntive (Codice_Tessera, Codice_Cliente, Notes) VALUES ('T77', 'CL000001', 'PISCINA')");
    EXPECT_EQ(id("T77"), "CL000001");
    EXPECT_EQ(nome, Value("MARIO"));
    EXPECT_EQ(x.s.lettura.Note_Tessera_Letta, "PISCINA");
}

TEST_F(Identifica, QrCodeOfTodayIsAcceptedOnceBeforeItsExpiryByTheServerClock) {
    x.f.native("INSERT INTO Gestione_QR_Code (Codice_Cliente, QR_Code, Disp_Code, Data_Reg, Ora_Scad, Usato) VALUES "
               "('CL000001', '4711', 'A1', '2024-03-07 00:00:00', NULL, 0),"
               "('CL000001', '4712', 'A1', '2024-03-06 00:00:00', NULL, 0),"
               "('CL000001', '1', 'X', '2024-03-07 00:00:00', '1900-01-01 10:00:00', 0),"
               "('CL000001', '2', 'X', '2024-03-07 00:00:00', '1900-01-01 11:00:00', 0)");
    EXPECT_EQ(id("CL0000014712A1"), "");  // yesterday's
    EXPECT_EQ(id("CL0000011X"), "");      // expired at 10:00, the server says 10:30
    EXPECT_EQ(id("CL0000014711A1"), "CL000001");
    EXPECT_EQ(cognome, Value("ROSSI "));
    EXPECT_EQ(id("CL0000014711A1"), "");  // already used
    EXPECT_EQ(id("CL0000012X"), "CL000001");
    EXPECT_EQ(righe("SELECT QR_Code, Usato FROM Gestione_QR_Code ORDER BY ID"), "4711|1; 4712|0; 1|0; 2|1");
}

TEST_F(Identifica, VisitorsStaffAndArticlesInTheirOrder) {
    x.f.native("INSERT INTO Anagrafica_Visitatori (Codice_Visitatore, Codice_Bis, Cognome, Nome) VALUES ('VR000001', 'V1', 'NERI', 'ADA');"
               "INSERT INTO Anagrafica_Consulenti (Codice_Consulente, Codice_Bis, Cognome, Nome) VALUES ('CO0001', 'S1', 'VERDI', 'LUCA');"
               "INSERT INTO Anagrafica_Istruttori (Codice_Istruttore, Codice_Bis, Cognome, Nome) VALUES ('IS0001', 'S1', 'BLU', 'EVA'),"
               "  ('IS0002', 'S2', 'GIALLI', 'ANNA');"
               "INSERT INTO Anagrafica_Estetisti (Codice_Estetista, Codice_Bis, Cognome, Nome) VALUES ('ET0001', 'S3', 'ROSA', 'LIA');"
               "INSERT INTO Anagrafica_Articoli (Codice_Articolo, Codice_Bis, Descrizione) VALUES ('AR0001', '800123', 'ACQUA')");
    EXPECT_EQ(id("V1"), "VR000001");
    EXPECT_TRUE(cognome.isEmpty());  // visitors carry no names here
    EXPECT_EQ(id("S1"), "CO0001");   // consultants come before instructors
    EXPECT_EQ(cognome, Value("VERDI"));
    EXPECT_EQ(id("S2"), "IS0002");
    EXPECT_EQ(id("S3"), "ET0001");
    EXPECT_EQ(nome, Value("LIA"));
    EXPECT_EQ(id("800123"), "AR0001");
}

TEST_F(Identifica, StaffPrefixesAreTheirOwnOwner) {
    x.f.native("INSERT INTO Anagrafica_Istruttori (Codice_Istruttore, Codice_Bis, Cognome, Nome) VALUES "
               "('IS0001', 'IS0009', 'BLU', 'EVA')");
    EXPECT_EQ(id("IS0001"), "IS0001");
    EXPECT_EQ(cognome, Value("BLU"));
    // Looked up by the key only: a second code with the prefix names nobody.
    EXPECT_EQ(id("IS0009"), "IS0009");
    EXPECT_TRUE(cognome.isEmpty());
    EXPECT_EQ(id("VR999"), "VR999");
    EXPECT_EQ(id("AR999"), "AR999");
}

TEST_F(Identifica, DatabaseFailureIsLoggedAndNothingIsFound) {
    if (velaris::test::onSqlServer()) GTEST_SKIP() << "the failure is injected into SQLite";
    velaris::test::TabellaGuasta guasto(x.f.engineHandle(), "Gestione_QR_Code");
    EXPECT_EQ(id("0009999999"), "");
    ASSERT_EQ(errori().size(), 1u);
    EXPECT_NE(errori()[0].find("Function Identifica_Codice"), std::string::npos);
    // A member found before the failing step is still returned.
    EXPECT_EQ(id("0001234501"), "CL000001");
}
