// The centre schema itself: its work-table companions write through with the table's
// defaults, its delete triggers fire unless switched off, its texts compare as the
// centre's database does. The tables the statements name, the lock table and the demo
// centre are tested through the procedures and the server that use them.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "support/test_support.h"

namespace velaris::test {
namespace {

// Rows read natively from the stored form, every field as text ("" for Null).
std::vector<std::vector<std::string>> nativeRows(sqlite3* db, const std::string& sql) {
    std::vector<std::vector<std::string>> out;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        ADD_FAILURE() << "check failed: " << sqlite3_errmsg(db) << "\n    " << sql;
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        auto& row = out.emplace_back();
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            const unsigned char* t = sqlite3_column_text(st, i);
            row.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
        }
    }
    sqlite3_finalize(st);
    return out;
}

// The embedded schema's own checks: not for SQL Server.
struct Schema : ::testing::Test {
    void SetUp() override {
        if (onSqlServer()) GTEST_SKIP() << "checks of the embedded schema";
    }
};

// A fresh database with the centre's schema: statements run through the engine as the
// system sends them, checks read the stored form natively.
struct SchemaDb {
    DbFixture fixture{true};
    void native(const std::string& sql) { fixture.native(sql); }
    void run(const std::string& sql) { fixture.db.execute(sql); }  // a failure fails the test
    long long storedInt(const std::string& sql) {
        const auto rows = nativeRows(fixture.sqlite->handle(), sql);
        return rows.empty() ? 0 : std::stoll(rows[0][0]);
    }
};

TEST_F(Schema, WorkTableCompanionsWriteThroughWithTheTableDefaults) {
    SchemaDb db;
    sqlite3* h = db.fixture.sqlite->handle();
    const auto tables = nativeRows(h, "SELECT name FROM sqlite_master WHERE type='table' AND name LIKE 'wTmp_%'");
    ASSERT_GE(tables.size(), 13u);
    for (const auto& t : tables) {
        const std::string& table = t[0];
        SCOPED_TRACE(table);
        const auto cols = nativeRows(h, "PRAGMA table_info(" + table + ")");  // name, default and key at 1, 4, 5
        std::string given, pk;
        for (const auto& c : cols) {
            if (c[5] != "0") pk = c[1];
            else if (given.empty() && c[4].empty()) given = c[1];
        }
        if (given.empty()) given = pk;
        // Through the engine, as the system writes: one column given, the others left out.
        db.run("INSERT INTO " + table + "_SQL (" + given + ") VALUES (" + (given == pk ? "500" : "7") + ")");
        ASSERT_EQ(db.storedInt("SELECT count(*) FROM " + table), 1);
        EXPECT_GT(db.storedInt("SELECT " + pk + " FROM " + table), 0);  // the key is assigned
        for (const auto& c : cols) {
            if (!c[4].empty()) {
                EXPECT_EQ(db.storedInt("SELECT \"" + c[1] + "\" IS " + c[4] + " FROM " + table), 1) << c[1];
            }
        }
        // Updates and deletes through the companion reach the table as well.
        db.run("UPDATE " + table + "_SQL SET " + given + "=8");
        EXPECT_EQ(db.storedInt("SELECT " + given + " FROM " + table), 8);
        db.run("DELETE FROM " + table + "_SQL");
        EXPECT_EQ(db.storedInt("SELECT count(*) FROM " + table), 0);
    }
}

TEST_F(Schema, DeleteTriggersFireUnlessSwitchedOff) {
    SchemaDb db;
    const struct { const char* table; const char* insert; } tables[] = {
        {"Gestione_Aggiunte", "INSERT INTO Gestione_Aggiunte (Codice_Cliente) VALUES ('CL1')"},
        {"Gestione_Iscrizioni", "INSERT INTO Gestione_Iscrizioni (Codice_Iscrizione, Codice_Cliente) VALUES ('I1', 'CL1')"},
        {"Gestione_Bar", "INSERT INTO Gestione_Bar (Codice_Cliente) VALUES ('CL1')"},
        {"AnagraficaC_Clienti", "INSERT INTO AnagraficaC_Clienti (Codice_Cliente, Tipo_Certificato) VALUES ('CL1', 1)"},
        {"Gestione_MoneyCard_Ricarica", "INSERT INTO Gestione_MoneyCard_Ricarica (Codice_Cliente) VALUES ('CL1')"},
        {"Gestione_DCard", "INSERT INTO Gestione_DCard (Codice_Cliente) VALUES ('CL1')"},
        {"Gestione_Vendite", "INSERT INTO Gestione_Vendite (Tipologia, Codice) VALUES (4, 1)"}};
    for (const auto& t : tables) {
        SCOPED_TRACE(t.table);
        const std::string trigger = std::string(t.table) + "_BD";
        const std::string logged = "SELECT count(*) FROM wSys_Log_Trigger WHERE Nome_Trigger='" + trigger + "' AND Tabella='" +
                                   t.table + "' AND Data IS NOT NULL";
        db.native(t.insert);
        db.native(std::string("DELETE FROM ") + t.table);
        EXPECT_EQ(db.storedInt(logged), 1);
        db.native("INSERT INTO wSys_Trigger_Disabilitati (Nome_Trigger) VALUES ('" + trigger + "')");
        db.native(t.insert);
        db.native(std::string("DELETE FROM ") + t.table);
        EXPECT_EQ(db.storedInt(logged), 1);  // silenced
        EXPECT_EQ(db.storedInt(std::string("SELECT count(*) FROM ") + t.table), 0);  // the delete itself went through
        db.native("DELETE FROM wSys_Trigger_Disabilitati");
    }
}

TEST_F(Schema, TextsCompareAsTheCentreDatabaseDoes) {
    SchemaDb db;
    db.native("INSERT INTO Anagrafica_Clienti (Codice_Cliente, Cognome) VALUES ('CL000001', 'Rossi')");
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM Anagrafica_Clienti WHERE Codice_Cliente='cl000001  '"), 1);
    EXPECT_EQ(db.storedInt("SELECT count(*) FROM Anagrafica_Clienti WHERE Cognome='ROSSI'"), 1);
    // The key is one member whatever the case.
    EXPECT_THROW(db.native("INSERT INTO Anagrafica_Clienti (Codice_Cliente) VALUES ('cl000001')"), DbError);
}

}  // namespace
}  // namespace velaris::test
