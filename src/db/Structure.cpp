#include "Structure.h"

namespace db {

namespace {

constexpr StructureForms oracle{
    .uniqueConstraints = u"SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE TABLE_NAME = %1 "
                         u"AND CONSTRAINT_TYPE = 'U'",
    .tableComment = u"SELECT COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_NAME = %1",
    .columnComments = u"SELECT COLUMN_NAME, COMMENTS FROM USER_COL_COMMENTS WHERE TABLE_NAME = "
                      u"%1 AND COMMENTS IS NOT NULL",
    .commentOnTable = u"COMMENT ON TABLE %1 IS %2",
    .commentOnColumn = u"COMMENT ON COLUMN %1.%2 IS %3",
    // 30 before 12.2; 128 since.
    .longestName = 128,
    // The NOT NULL checks it makes itself have generated names.
    .checks = u"SELECT CONSTRAINT_NAME, SEARCH_CONDITION FROM USER_CONSTRAINTS WHERE "
              u"TABLE_NAME = %1 AND CONSTRAINT_TYPE = 'C' AND GENERATED = 'USER NAME'",
    .defaults = u"SELECT COLUMN_NAME, DATA_DEFAULT FROM USER_TAB_COLUMNS WHERE TABLE_NAME = %1 "
                u"AND DATA_DEFAULT IS NOT NULL",
    .setDefault = u"ALTER TABLE %1 MODIFY (%2 DEFAULT %3)",
    .now = u"SYSTIMESTAMP",
    .today = u"TRUNC(SYSDATE)",
    .unquoted = StructureForms::Fold::Upper,
    .sharedPrimaryKeyName = {},
};

constexpr StructureForms db2{
    .uniqueConstraints = u"SELECT CONSTNAME FROM SYSCAT.TABCONST WHERE TABSCHEMA = CURRENT "
                         u"SCHEMA AND TABNAME = %1 AND TYPE = 'U'",
    .tableComment = u"SELECT REMARKS FROM SYSCAT.TABLES WHERE TABSCHEMA = CURRENT SCHEMA AND "
                    u"TABNAME = %1",
    .columnComments = u"SELECT COLNAME, REMARKS FROM SYSCAT.COLUMNS WHERE TABSCHEMA = CURRENT "
                      u"SCHEMA AND TABNAME = %1 AND REMARKS IS NOT NULL",
    .commentOnTable = u"COMMENT ON TABLE %1 IS %2",
    .commentOnColumn = u"COMMENT ON COLUMN %1.%2 IS %3",
    .longestName = 128,
    .checks = u"SELECT CONSTNAME, TEXT FROM SYSCAT.CHECKS WHERE TABSCHEMA = CURRENT SCHEMA AND "
              u"TABNAME = %1 AND TYPE = 'C'",
    .defaults = u"SELECT COLNAME, DEFAULT FROM SYSCAT.COLUMNS WHERE TABSCHEMA = CURRENT SCHEMA "
                u"AND TABNAME = %1 AND DEFAULT IS NOT NULL",
    .setDefault = u"ALTER TABLE %1 ALTER COLUMN %2 SET DEFAULT %3",
    .now = u"CURRENT TIMESTAMP",
    .today = u"CURRENT DATE",
    .unquoted = StructureForms::Fold::Upper,
    .sharedPrimaryKeyName = {},
};

constexpr StructureForms postgreSql{
    .uniqueConstraints = u"SELECT constraint_name FROM information_schema.table_constraints "
                         u"WHERE table_schema = current_schema() AND table_name = %1 AND "
                         u"constraint_type = 'UNIQUE'",
    .tableComment = u"SELECT obj_description(c.oid, 'pg_class') FROM pg_class c WHERE "
                    u"c.relnamespace = current_schema()::regnamespace AND c.relname = %1",
    .columnComments = u"SELECT a.attname, col_description(c.oid, a.attnum) FROM pg_class c "
                      u"JOIN pg_attribute a ON a.attrelid = c.oid WHERE c.relnamespace = "
                      u"current_schema()::regnamespace AND c.relname = %1 AND a.attnum > 0 "
                      u"AND NOT a.attisdropped AND col_description(c.oid, a.attnum) IS NOT "
                      u"NULL",
    .commentOnTable = u"COMMENT ON TABLE %1 IS %2",
    .commentOnColumn = u"COMMENT ON COLUMN %1.%2 IS %3",
    .longestName = 63,
    // Written back as PostgreSQL deparses them: casts, = ANY (ARRAY[...]).
    .checks = u"SELECT conname, pg_get_constraintdef(oid) FROM pg_constraint WHERE contype = 'c' "
              u"AND conrelid = (SELECT c.oid FROM pg_class c WHERE c.relnamespace = "
              u"current_schema()::regnamespace AND c.relname = %1)",
    .defaults = u"SELECT column_name, column_default FROM information_schema.columns WHERE "
                u"table_schema = current_schema() AND table_name = %1 AND column_default IS NOT "
                u"NULL",
    .setDefault = u"ALTER TABLE %1 ALTER COLUMN %2 SET DEFAULT %3",
    .now = u"CURRENT_TIMESTAMP",
    .today = u"CURRENT_DATE",
    .unquoted = StructureForms::Fold::Lower,
    .sharedPrimaryKeyName = {},
};

constexpr StructureForms mariaDb{
    .uniqueConstraints = u"SELECT CONSTRAINT_NAME FROM information_schema.TABLE_CONSTRAINTS "
                         u"WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = %1 AND "
                         u"CONSTRAINT_TYPE = 'UNIQUE'",
    .tableComment = u"SELECT NULLIF(TABLE_COMMENT, '') FROM information_schema.TABLES WHERE "
                    u"TABLE_SCHEMA = DATABASE() AND TABLE_NAME = %1",
    .columnComments = u"SELECT COLUMN_NAME, COLUMN_COMMENT FROM information_schema.COLUMNS "
                      u"WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = %1 AND "
                      u"COLUMN_COMMENT <> ''",
    .commentOnTable = u"ALTER TABLE %1 COMMENT = %2",
    .commentOnColumn = u"ALTER TABLE %1 MODIFY %2 %4 COMMENT %3",
    .longestName = 64,
    .checks = u"SELECT CONSTRAINT_NAME, CHECK_CLAUSE FROM information_schema.CHECK_CONSTRAINTS "
              u"WHERE CONSTRAINT_SCHEMA = DATABASE() AND TABLE_NAME = %1",
    .defaults = u"SELECT COLUMN_NAME, COLUMN_DEFAULT FROM information_schema.COLUMNS WHERE "
                u"TABLE_SCHEMA = DATABASE() AND TABLE_NAME = %1 AND COLUMN_DEFAULT IS NOT NULL "
                u"AND COLUMN_DEFAULT <> 'NULL'",
    .setDefault = u"ALTER TABLE %1 ALTER COLUMN %2 SET DEFAULT %3",
    .now = u"CURRENT_TIMESTAMP",
    .today = u"CURRENT_DATE",
    .unquoted = StructureForms::Fold::None,
    .sharedPrimaryKeyName = u"PRIMARY",
};

} // namespace

const StructureForms& StructureFormsOf(ServerKind kind) {
    switch (kind) {
    case ServerKind::Oracle:
        return oracle;
    case ServerKind::Db2:
    case ServerKind::Other:
        return db2;
    case ServerKind::PostgreSql:
        return postgreSql;
    case ServerKind::MariaDb:
        return mariaDb;
    }
    return db2;
}

} // namespace db
