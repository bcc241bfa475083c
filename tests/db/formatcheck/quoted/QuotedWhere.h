// Never compiled: the FormatCheck scanner must find the formats below.
// Comments such as '%s' and character literals such as '\'' are not formats.
inline void fine(Rec& r) { r.setWhere("name = %s and kind = 'x' and note = '%%s' and it = %d", q, 1); }
inline void quotedWhere(Rec& r) { r.setWhere("name = '"
                                             "%s' and id = %d", t, 1); }
inline void numbered(Rec& r) { r.setWhere("name = '%1$s'", t); }
inline void afterAWord(Rec& r) { r.rowUpdate("name = 'x' where name LIKE'd%s'", t); }
inline std::string doubleQuoted() { return kel::sql::format("name = \"%s\"", t); }
inline void bracketed(Rec& r) { r.CallDBsprintf(buf, size, "name = [%s]", t); }
inline void cut(Rec& r) { r.formatBatch("select 1 where name = %.5s", t); }
// Messages only show their texts: a text between brackets or after an
// apostrophe is no statement's.
inline void shown() { debug("the database [%s] can't be found", t); }
