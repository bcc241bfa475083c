-- The written part of the catalogue schema: the platform tables that the
-- catalogue's SQL reads, and the indexes of the catalogue's own tables. The
-- catalogue's tables are created from their record families' descriptions
-- (platform/db/DBTableSchema.h) before this text runs, with the same
-- conventions as the platform tables here.
-- Columns keep the order the record classes bind them in: batches insert
-- without a column list. Integer columns are signed 32-bit (64-bit where
-- named), texts hold at most their field's size less the NUL, dates are
-- 'YYYY-MM-DD HH:MM:SS' text (NULL when cleared), LSNs compare as numbers.
-- Every statement is idempotent: opening an existing catalogue drops nothing.

-- Platform: the Tessels (installations) of the platform.
CREATE TABLE IF NOT EXISTS APP_Tessel (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    name TEXT COLLATE KELTEXT CHECK (length(CAST(name AS BLOB)) <= 128)
);

-- Platform: clients (machines) known to the Ostrel.
CREATE TABLE IF NOT EXISTS APP_Client (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    name TEXT COLLATE KELTEXT CHECK (length(CAST(name AS BLOB)) <= 256),
    net_hostname TEXT COLLATE KELTEXT CHECK (length(CAST(net_hostname AS BLOB)) <= 256),
    osId INTEGER NOT NULL DEFAULT 0,
    fileSystemInstalled INTEGER NOT NULL DEFAULT 1,
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id)
);
CREATE INDEX IF NOT EXISTS APP_Client_tesselId ON APP_Client (tesselId);
CREATE INDEX IF NOT EXISTS APP_Client_name ON APP_Client (tesselId, name);

-- Platform: the instances (applications of type SQL Server) by name.
CREATE TABLE IF NOT EXISTS APP_InstanceName (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    clientId INTEGER CHECK (clientId BETWEEN -2147483648 AND 2147483647),
    name TEXT COLLATE KELTEXT CHECK (length(CAST(name AS BLOB)) <= 256),
    appTypeId INTEGER NOT NULL DEFAULT 0,
    deleted INTEGER NOT NULL DEFAULT 0,
    enableDiscovery INTEGER NOT NULL DEFAULT 0,
    useSnapshotWriter INTEGER NOT NULL DEFAULT 0,
    discoveredDataSP INTEGER NOT NULL DEFAULT 0,
    discoveredLogSP INTEGER NOT NULL DEFAULT 0,
    FOREIGN KEY (clientId) REFERENCES APP_Client (id),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id)
);
CREATE INDEX IF NOT EXISTS APP_InstanceName_clientId ON APP_InstanceName (clientId);
CREATE INDEX IF NOT EXISTS APP_InstanceName_tesselId ON APP_InstanceName (tesselId);

-- Platform: applications (subclients) of a client and instance.
CREATE TABLE IF NOT EXISTS APP_Application (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    clientid INTEGER CHECK (clientid BETWEEN -2147483648 AND 2147483647),
    instance INTEGER CHECK (instance BETWEEN -2147483648 AND 2147483647),
    appTypeId INTEGER CHECK (appTypeId BETWEEN -2147483648 AND 2147483647),
    subclientName TEXT COLLATE KELTEXT CHECK (length(CAST(subclientName AS BLOB)) <= 256),
    backupSet INTEGER,
    dataArchGroup INTEGER NOT NULL DEFAULT 1,
    indexArchGroup INTEGER NOT NULL DEFAULT 1,
    sqlFileSubClientId INTEGER NOT NULL DEFAULT 0,
    FOREIGN KEY (clientid) REFERENCES APP_Client (id),
    FOREIGN KEY (instance) REFERENCES APP_InstanceName (id),
    FOREIGN KEY (backupSet) REFERENCES APP_BackupSetName (id),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id)
);
CREATE INDEX IF NOT EXISTS APP_Application_clientid ON APP_Application (clientid);
CREATE INDEX IF NOT EXISTS APP_Application_tesselId ON APP_Application (tesselId);
CREATE INDEX IF NOT EXISTS APP_Application_instance ON APP_Application (instance);
CREATE INDEX IF NOT EXISTS APP_Application_backupSet ON APP_Application (backupSet);

-- Platform: backup set ids of the databases.
CREATE TABLE IF NOT EXISTS APP_BackupSetName (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    instanceId INTEGER CHECK (instanceId BETWEEN -2147483648 AND 2147483647),
    name TEXT COLLATE KELTEXT CHECK (length(CAST(name AS BLOB)) <= 256),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id),
    FOREIGN KEY (instanceId) REFERENCES APP_InstanceName (id)
);
CREATE INDEX IF NOT EXISTS APP_BackupSetName_instanceId ON APP_BackupSetName (instanceId);
CREATE INDEX IF NOT EXISTS APP_BackupSetName_tesselId ON APP_BackupSetName (tesselId);

-- Media management: copies of archive files; flag bit 256 marks a copy that no longer keeps its data alive.
CREATE TABLE IF NOT EXISTS archFileCopy (
    archFileId INTEGER CHECK (archFileId BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    copyId INTEGER CHECK (copyId BETWEEN -2147483648 AND 2147483647),
    flags INTEGER CHECK (flags BETWEEN -2147483648 AND 2147483647),
    physicalSize INTEGER,
    logicalSize INTEGER,
    PRIMARY KEY (archFileId, copyId)
);



-- Indexes of the catalogue's tables.
CREATE INDEX IF NOT EXISTS archFile_archGroupId ON archFile (archGroupId);

CREATE INDEX IF NOT EXISTS sqlServer_tesselId ON sqlServer (tesselId);
CREATE INDEX IF NOT EXISTS sqlServer_sqlVersionId ON sqlServer (sqlVersionId);
CREATE INDEX IF NOT EXISTS sqlServer_clientId ON sqlServer (clientId);

CREATE INDEX IF NOT EXISTS sqlDatabase_tesselId ON sqlDatabase (tesselId);
CREATE INDEX IF NOT EXISTS sqlDatabase_sqlServerId ON sqlDatabase (sqlServerId);

CREATE INDEX IF NOT EXISTS sqlFileGroup_sqlDatabaseId ON sqlFileGroup (sqlDatabaseId);
CREATE INDEX IF NOT EXISTS sqlFileGroup_tesselId ON sqlFileGroup (tesselId);

CREATE INDEX IF NOT EXISTS sqlFile_sqlFileGroupId ON sqlFile (sqlFileGroupId);
CREATE INDEX IF NOT EXISTS sqlFile_tesselId ON sqlFile (tesselId);

CREATE INDEX IF NOT EXISTS sqlFileSubClient_tesselId ON sqlFileSubClient (tesselId);
CREATE INDEX IF NOT EXISTS sqlFileSubClient_sqlDatabaseId ON sqlFileSubClient (sqlDatabaseId);

CREATE INDEX IF NOT EXISTS sqlFileSubClientGroup_tesselId ON sqlFileSubClientGroup (tesselId);
CREATE INDEX IF NOT EXISTS sqlFileSubClientGroup_sqlFileSubClientId ON sqlFileSubClientGroup (sqlFileSubClientId);
CREATE INDEX IF NOT EXISTS sqlFileSubClientGroup_sqlFileGroupId ON sqlFileSubClientGroup (sqlFileGroupId);

CREATE INDEX IF NOT EXISTS sqlBackupSet_sqlDatabaseId ON sqlBackupSet (sqlDatabaseId);
CREATE INDEX IF NOT EXISTS sqlBackupSet_tesselId ON sqlBackupSet (tesselId);
CREATE INDEX IF NOT EXISTS sqlBackupSet_sqlVersionId ON sqlBackupSet (sqlVersionId);
CREATE INDEX IF NOT EXISTS sqlBackupSet_mtfVersionId ON sqlBackupSet (mtfVersionId);
CREATE INDEX IF NOT EXISTS sqlBackupSet_sqlDatabaseId_backupSetId ON sqlBackupSet (sqlDatabaseId, backupSetId);
CREATE INDEX IF NOT EXISTS sqlBackupSet_sqlDatabaseId_name ON sqlBackupSet (sqlDatabaseId, name);
-- Which of a database's sets were written by which SQL Server, from the
-- index alone.
CREATE INDEX IF NOT EXISTS sqlBackupSet_sqlDatabaseId_sqlVersionId ON sqlBackupSet (sqlDatabaseId, sqlVersionId);
CREATE INDEX IF NOT EXISTS sqlBackupSet_mediaSetId ON sqlBackupSet (mediaSetId);

CREATE INDEX IF NOT EXISTS sqlBackupFile_sqlBackupSetId ON sqlBackupFile (sqlBackupSetId);
CREATE INDEX IF NOT EXISTS sqlBackupFile_sqlFileGroupId ON sqlBackupFile (sqlFileGroupId);
CREATE INDEX IF NOT EXISTS sqlBackupFile_tesselId ON sqlBackupFile (tesselId);
CREATE INDEX IF NOT EXISTS sqlBackupFile_sqlBackupSetId_logicalName ON sqlBackupFile (sqlBackupSetId, logicalName);
-- The point-in-time file and file group cursors walk a group's backups from
-- the newest set down and stop at the first that qualifies.
CREATE INDEX IF NOT EXISTS sqlBackupFile_sqlFileGroupId_sqlBackupSetId ON sqlBackupFile (sqlFileGroupId, sqlBackupSetId);
CREATE INDEX IF NOT EXISTS sqlBackupFile_sqlFileGroupId_logicalName ON sqlBackupFile (sqlFileGroupId, logicalName, sqlBackupSetId);

-- A set's archive rows in id order from the index alone: pruning reads
-- them for every set of a database.
DROP INDEX IF EXISTS sqlArchiveSet_sqlBackupSetId;
CREATE INDEX IF NOT EXISTS sqlArchiveSet_set ON sqlArchiveSet
    (sqlBackupSetId, id, tesselId, mediaSetId, sequenceNumber, archiveGroup, archiveFile, bIsTombstoned);
CREATE INDEX IF NOT EXISTS sqlArchiveSet_tesselId ON sqlArchiveSet (tesselId);
-- An archive file's sets are looked up with their Tessel (and group); on an
-- index of the file alone the planner may take the Tessel's, which every row
-- shares.
DROP INDEX IF EXISTS sqlArchiveSet_archiveFile;
CREATE INDEX IF NOT EXISTS sqlArchiveSet_file ON sqlArchiveSet (archiveFile, tesselId, archiveGroup);
CREATE INDEX IF NOT EXISTS sqlArchiveSet_archiveGroup ON sqlArchiveSet (archiveGroup);

CREATE INDEX IF NOT EXISTS sqlLSNs_tesselId ON sqlLSNs (tesselId);
-- Every index below starts with the database. One of the database alone
-- would be taken for "and sqlBackupSetId < ?" and walk the older history.
DROP INDEX IF EXISTS sqlLSNs_sqlDatabaseId;
-- A database's history newest first (cycles, pruning) without a sort; the
-- set id (the row id) after the time orders backups that started together.
-- The type and the full's LSN after them let the cycles read a history from
-- this index alone; a lookup of whole rows gains nothing over an LSN index
-- from them, so the planner's choice for those stays as it was.
DROP INDEX IF EXISTS sqlLSNs_sqlDatabaseId_startTime;
CREATE INDEX IF NOT EXISTS sqlLSNs_history ON sqlLSNs (sqlDatabaseId, startTime, sqlBackupSetId, backupType, fullBackupLSN);
-- One kind of backup by time: the log that holds a time, the first log after
-- it, the full before a set. It serves the database and type alone as well.
DROP INDEX IF EXISTS sqlLSNs_sqlDatabaseId_backupType;
CREATE INDEX IF NOT EXISTS sqlLSNs_type_startTime ON sqlLSNs (sqlDatabaseId, backupType, startTime);
-- The newest backup finished by a time (browse, discrete time): a seek back
-- from the time, not a walk over everything that started before it.
CREATE INDEX IF NOT EXISTS sqlLSNs_sqlDatabaseId_finishTime ON sqlLSNs (sqlDatabaseId, finishTime);
-- Restore chains link rows by LSN inside one database: each step finds its
-- rows by an LSN column, so a chain costs its own length, not the history's.
-- Each LSN index orders a database's rows of one LSN by start (and set id),
-- so that "the newest started by" is its first row, not a sort.
CREATE INDEX IF NOT EXISTS sqlLSNs_chain_fullBackupLSN ON sqlLSNs (sqlDatabaseId, fullBackupLSN, startTime);
DROP INDEX IF EXISTS sqlLSNs_chain_checkpointLSN;
CREATE INDEX IF NOT EXISTS sqlLSNs_chain_full ON sqlLSNs (sqlDatabaseId, checkpointLSN, startTime);
DROP INDEX IF EXISTS sqlLSNs_chain_lastLSN;
CREATE INDEX IF NOT EXISTS sqlLSNs_chain_last ON sqlLSNs (sqlDatabaseId, lastLSN, startTime);

CREATE INDEX IF NOT EXISTS sqlLogMarkNames_sqlDatabaseId ON sqlLogMarkNames (sqlDatabaseId);
CREATE INDEX IF NOT EXISTS sqlLogMarkNames_tesselId ON sqlLogMarkNames (tesselId);

CREATE INDEX IF NOT EXISTS sqlRestoreTask_sqlDatabaseId ON sqlRestoreTask (sqlDatabaseId);
CREATE INDEX IF NOT EXISTS sqlRestoreTask_sqlServerId ON sqlRestoreTask (sqlServerId);

CREATE INDEX IF NOT EXISTS sqlRestoreData_restoreTaskId ON sqlRestoreData (restoreTaskId);

CREATE INDEX IF NOT EXISTS sqlFileRename_restoreTaskId ON sqlFileRename (restoreTaskId);
