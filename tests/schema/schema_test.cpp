// The centre schema itself: its work-table companions write through with the table's
// defaults, its delete triggers fire unless switched off, its texts compare as the
// centre's database does. The tables the statements name, the lock table and the demo
// centre are tested through the procedures and the server that use them.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "support/test_support.h"

namespace velaris::test {
namespace {

struct Column {
    std::string name;
    std::string defaultValue;  // as declared, "" when none
    bool notNull = false;
    bool primaryKey = false;
};

std::vector<Column> columnsOf(sqlite3* db, const std::string& table) {
    std::vector<Column> out;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, ("PRAGMA table_info(" + table + ")").c_str(), -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        Column c;
        c.name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        c.notNull = sqlite3_column_int(st, 3) != 0;
        if (sqlite3_column_type(st, 4) != SQLITE_NULL) c.defaultValue = reinterpret_cast<const char*>(sqlite3_column_text(st, 4));
        c.primaryKey = sqlite3_column_int(st, 5) != 0;
        out.push_back(c);
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
    SqliteConnection& engine() { return *fixture.sqlite; }
    void native(const std::string& sql) { fixture.native(sql); }
    void run(const std::string& sql) {
        try {
            fixture.db.execute(sql);
        } catch (const std::exception& e) {
            ADD_FAILURE() << "statement failed: " << e.what() << "\n    " << sql;
        }
    }
    long long storedInt(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        long long out = 0;
        if (sqlite3_prepare_v2(engine().handle(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            ADD_FAILURE() << "check failed: " << sqlite3_errmsg(engine().handle()) << "\n    " << sql;
        else if (sqlite3_step(st) == SQLITE_ROW)
            out = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return out;
    }
};

std::vector<std::string> namesOf(sqlite3* db, const char* type, const char* like) {
    std::vector<std::string> out;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type=?1 AND name LIKE ?2 ORDER BY name", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, type, -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, like, -1, SQLITE_STATIC);
    while (sqlite3_step(st) == SQLITE_ROW) out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return out;
}

TEST_F(Schema, WorkTableCompanionsWriteThroughWithTheTableDefaults) {
    SchemaDb db;
    sqlite3* h = db.engine().handle();
    const auto tables = namesOf(h, "table", "wTmp_%");
    ASSERT_GE(tables.size(), 13u);
    for (const std::string& table : tables) {
        SCOPED_TRACE(table);
        const auto cols = columnsOf(h, table);
        std::string given, pk;
        for (const Column& c : cols) {
            if (c.primaryKey) pk = c.name;
            else if (given.empty() && c.defaultValue.empty()) given = c.name;
        }
        if (given.empty()) given = pk;
        // Through the engine, as the system writes: one column given, the others left out.
        db.run("INSERT INTO " + table + "_SQL (" + given + ") VALUES (" + (given == pk ? "500" : "7") + ")");
        ASSERT_EQ(db.storedInt("SELECT count(*) FROM " + table), 1);
        EXPECT_GT(db.storedInt("SELECT " + pk + " FROM " + table), 0);  // the key is assigned
        for (const Column& c : cols) {
            if (!c.defaultValue.empty()) {
                EXPECT_EQ(db.storedInt("SELECT \"" + c.name + "\" IS " + c.defaultValue + " FROM " + table), 1) << c.name;
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
