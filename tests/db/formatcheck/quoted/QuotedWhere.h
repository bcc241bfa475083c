// Never compiled: the FormatCheck scanner must find the one format below.
// Comments such as '%s' and character literals such as '\'' are not formats.
inline const char* kLiteralsThatAreFine[] = {"name = %s", "percent = '%%s'", "it's %d", "a = ''", "b = %s"};
inline const char* kQuotedWhere = "name = '"
                                  "%s' and id = %d";
