-- Platform: the application manager's own tables beside those the catalogue
-- reads.

-- The installation database: the application types registered on a client
-- with the release installed.
CREATE TABLE IF NOT EXISTS APP_SimClientApp (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    clientId INTEGER NOT NULL,
    appTypeId INTEGER NOT NULL,
    osId INTEGER NOT NULL DEFAULT 0,
    release TEXT COLLATE KELTEXT CHECK (length(CAST(release AS BLOB)) <= 32),
    FOREIGN KEY (clientId) REFERENCES APP_Client (id)
);
CREATE UNIQUE INDEX IF NOT EXISTS APP_SimClientApp_client ON APP_SimClientApp (clientId, appTypeId);

-- Named properties of a subclient (an application id).
CREATE TABLE IF NOT EXISTS APP_SubclientProp (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    subclientId INTEGER NOT NULL,
    name TEXT COLLATE KELTEXT NOT NULL CHECK (length(CAST(name AS BLOB)) <= 256),
    type INTEGER NOT NULL,
    value TEXT CHECK (length(CAST(value AS BLOB)) <= 1024),
    FOREIGN KEY (subclientId) REFERENCES APP_Application (id)
);
CREATE UNIQUE INDEX IF NOT EXISTS APP_SubclientProp_name ON APP_SubclientProp (subclientId, name);

-- The operating systems a client may run, by the id APP_Client.osId names;
-- 0 is a client whose system was never reported.
CREATE TABLE IF NOT EXISTS APP_SystemOS (
    id INTEGER PRIMARY KEY CHECK (id BETWEEN 0 AND 2147483647),
    name TEXT COLLATE KELTEXT CHECK (length(CAST(name AS BLOB)) <= 128)
);
INSERT OR IGNORE INTO APP_SystemOS (id, name) VALUES (0, 'Unknown');
