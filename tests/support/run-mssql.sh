#!/bin/sh
# Runs one test executable against the SQL Server database VELARIS_TEST_MSSQL names;
# exits 77 (skipped) when it names none.
[ -n "$VELARIS_TEST_MSSQL" ] || { echo "VELARIS_TEST_MSSQL is not set: skipped"; exit 77; }
VELARIS_TEST_ENGINE=mssql exec "$@"
