# Writes the schema and demo scripts into a C++ source so that the executable carries
# them wherever it is installed. Run with -DOUT=<file> -DSCHEMA=<file> -DDEMO=<file>.
file(READ ${SCHEMA} schema_text)
if(EXISTS ${DEMO})
  file(READ ${DEMO} demo_text)
else()
  set(demo_text "")
endif()
set(content "// Generated from schema/ at build time.\n#include \"db/schema.h\"\nnamespace velaris {\n")
string(APPEND content "const char* schemaScript() { return R\"velaris_sql(${schema_text})velaris_sql\"; }\n")
string(APPEND content "const char* demoScript() { return R\"velaris_sql(${demo_text})velaris_sql\"; }\n}\n")
file(WRITE ${OUT}.tmp "${content}")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
