#include "app/commands.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>

#include "base/clock.h"
#include "db/schema.h"
#include "db/sqlite_engine.h"

namespace velaris {

namespace {

// Texts are printed as they are, except that tabs and line breaks inside a value would
// break the table: they are shown escaped.
std::string cell(const Value& v) {
    if (v.isNull()) return "NULL";
    std::string out;
    for (char c : v.toText()) {
        if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out.push_back(c);
    }
    return out;
}

int runSql(const std::string& file, const std::string& statement, std::ostream& out, std::ostream& err) {
    if (statement.find_first_not_of(" \t\r\n") == std::string::npos) {
        err << "velaris-accessi: empty statement\n";
        return 1;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        err << "velaris-accessi: no database at " << file << "\n";
        return 1;
    }
    try {
        Clock clock;
        SqliteConnection conn(file, clock);
        auto rs = conn.open(statement);
        if (rs->fieldCount() == 0) return 0;
        for (int i = 0; i < rs->fieldCount(); ++i) out << (i ? "\t" : "") << rs->fieldName(i);
        out << "\n";
        for (; !rs->eof(); rs->moveNext()) {
            for (int i = 0; i < rs->fieldCount(); ++i) out << (i ? "\t" : "") << cell(rs->field(i));
            out << "\n";
        }
        return 0;
    } catch (const std::exception& e) {
        err << "velaris-accessi: " << e.what() << "\n";
        return 1;
    }
}

int runCreate(const std::string& file, bool demo, std::ostream& out, std::ostream& err) {
    try {
        Clock clock;
        createDatabase(file, clock, demo);
        out << (demo ? "Demo centre database created: " : "Database created: ") << file << "\n";
        return 0;
    } catch (const std::exception& e) {
        err << "velaris-accessi: cannot create " << file << ": " << e.what() << "\n";
        return 1;
    }
}

}  // namespace

bool isOperatorCommand(int argc, char** argv) {
    if (argc < 2) return false;
    const std::string first = argv[1];
    return first == "database" || first == "sql";
}

int runOperatorCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Velaris access-control server: database commands", "velaris-accessi"};
    app.require_subcommand(1);

    std::string file, createFile, demoFile, statement;
    auto* database = app.add_subcommand("database", "Create an embedded centre database");
    database->require_subcommand(1);
    auto* create = database->add_subcommand("create", "Create FILE with the complete schema");
    create->add_option("FILE", createFile, "Database file to create")->required();
    auto* demo = database->add_subcommand("demo", "Create FILE with the schema and the demo centre");
    demo->add_option("FILE", demoFile, "Database file to create")->required();

    auto* sql = app.add_subcommand("sql", "Run one T-SQL statement on an embedded database");
    sql->add_option("--database", file, "Embedded database file")->required();
    sql->add_option("STATEMENT", statement, "The statement")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err) == 0 ? 0 : 1;
    }
    if (*create) return runCreate(createFile, false, out, err);
    if (*demo) return runCreate(demoFile, true, out, err);
    return runSql(file, statement, out, err);
}

}  // namespace velaris
