#pragma once
// Connection strings. The command line carries an OLE DB connection string for the
// centre's SQL Server database ("Provider=SQLOLEDB;Data Source=srv\SQLEXPRESS;..."); on
// this platform the database is reached through an ODBC driver, so the OLE DB keys are
// mapped to the keys of that driver. A plain ODBC string ("Driver=...", "DSN=...") needs
// no mapping and is used as it is.

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velaris::odbc {

// One "key=value" pair as written: key trimmed, value unquoted.
struct ConnectionAttribute {
    std::string key;
    std::string value;
};

// Splits a connection string as OLE DB and ODBC write it. Pairs are separated by ";";
// keys are trimmed (a doubled "==" in a key stands for "="); values are trimmed unless
// quoted with "..." or '...' (the quote doubled inside stands for itself) or braced with
// {...} ("}}" inside stands for "}"). Empty pairs are skipped. A pair without "=", an
// unterminated quote or brace, or text after a closing quote throws DbError; the message
// names the key but never a value (values may be passwords).
std::vector<ConnectionAttribute> parseConnectionString(std::string_view text);

// The value of the last pair whose key is one of `names` (case-insensitive): when a key
// or one of its synonyms is repeated, the last one counts, as OLE DB reads it.
std::optional<std::string> lastValue(const std::vector<ConnectionAttribute>& attrs,
                                     std::initializer_list<std::string_view> names);

// A value as an ODBC connection string carries it: in braces (with "}" doubled) when it
// contains ";" or "}", starts with "{" or a quote, or has blanks at either end; as it
// is otherwise.
std::string odbcValue(std::string_view value);

// The ODBC driver the OLE DB string is mapped to.
struct OdbcTarget {
    // Driver name as registered in odbcinst.ini, or the path of the driver library.
    std::string driver = "FreeTDS";
    // TDS protocol version for FreeTDS ("7.4" for SQL Server 2012 and later).
    std::string tdsVersion = "7.4";
};

// True when the driver is FreeTDS (by name or by library file), whose keys differ from
// those of Microsoft's drivers.
bool isFreeTds(std::string_view driver);

// The ODBC connection string for `text`. A plain ODBC string comes back unchanged. An
// OLE DB string for SQL Server is mapped:
//   Data Source / Server / Address   -> Server (+ Port from "host,port", + Instance from
//                                       "host\instance"; "tcp:" dropped; "." and
//                                       "(local)" are this machine)
//   Initial Catalog / Database       -> Database
//   User ID / UID / User, Password / PWD -> UID, PWD
//   Integrated Security=SSPI|true|yes, Trusted_Connection=yes -> Trusted_Connection=Yes
//                                       (user and password are then not sent)
//   Application Name, Workstation ID, Current Language -> APP, WSID, Language
//   Use Encryption for Data / Encrypt, Trust Server Certificate -> Encryption=require
//                                       (FreeTDS) or Encrypt, TrustServerCertificate
// Keys with no ODBC meaning (Provider, Persist Security Info, Connect Timeout, ...) are
// dropped. FreeTDS also gets TDS_Version and ClientCharset=UTF-8. A string that names no
// server, a bad port or an OLE DB provider other than SQL Server's throws DbError.
std::string toOdbcConnectionString(std::string_view text, const OdbcTarget& target = {});

}  // namespace velaris::odbc
