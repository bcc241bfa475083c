-- The catalogue's tables and the platform tables its SQL reads.
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

-- Media management: archive groups (read only for the catalogue).
CREATE TABLE IF NOT EXISTS archGroup (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    defaultCopy INTEGER CHECK (defaultCopy BETWEEN -2147483648 AND 2147483647),
    name TEXT COLLATE KELTEXT CHECK (length(CAST(name AS BLOB)) <= 576),
    description TEXT COLLATE KELTEXT,
    maxStreams INTEGER CHECK (maxStreams BETWEEN -2147483648 AND 2147483647),
    type INTEGER CHECK (type BETWEEN -2147483648 AND 2147483647),
    incrSP INTEGER CHECK (incrSP BETWEEN -2147483648 AND 2147483647),
    origTesseltesselID INTEGER CHECK (origTesseltesselID BETWEEN -2147483648 AND 2147483647),
    origTesselarchGroupId INTEGER CHECK (origTesselarchGroupId BETWEEN -2147483648 AND 2147483647),
    defaultSnapCopy INTEGER CHECK (defaultSnapCopy BETWEEN -2147483648 AND 2147483647),
    SIBlockSizeKB INTEGER CHECK (SIBlockSizeKB BETWEEN -2147483648 AND 2147483647),
    AuxCopyAlertGB INTEGER CHECK (AuxCopyAlertGB BETWEEN -2147483648 AND 2147483647),
    AuxCopyAlertDays INTEGER CHECK (AuxCopyAlertDays BETWEEN -2147483648 AND 2147483647),
    flags INTEGER CHECK (flags BETWEEN -2147483648 AND 2147483647),
    mediaPassword TEXT COLLATE KELTEXT CHECK (length(CAST(mediaPassword AS BLOB)) <= 2048),
    TimeZoneType INTEGER CHECK (TimeZoneType BETWEEN -2147483648 AND 2147483647),
    TimeZone TEXT COLLATE KELTEXT CHECK (length(CAST(TimeZone AS BLOB)) <= 255),
    SubclientExtensionTimeStamp INTEGER CHECK (SubclientExtensionTimeStamp BETWEEN -2147483648 AND 2147483647),
    SubclientExtensionTimeStampEncrypted TEXT COLLATE KELTEXT CHECK (length(CAST(SubclientExtensionTimeStampEncrypted AS BLOB)) <= 2048),
    logSP INTEGER CHECK (logSP BETWEEN -2147483648 AND 2147483647)
);

-- Media management: archive files; key id and tesselId (the media management
-- assigns the id).
CREATE TABLE IF NOT EXISTS archFile (
    id INTEGER NOT NULL CHECK (id BETWEEN -2147483648 AND 2147483647),
    name TEXT COLLATE KELTEXT CHECK (length(CAST(name AS BLOB)) <= 8192),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    archGroupId INTEGER CHECK (archGroupId BETWEEN -2147483648 AND 2147483647),
    objName1 TEXT COLLATE KELTEXT CHECK (length(CAST(objName1 AS BLOB)) <= 2048),
    flags INTEGER CHECK (flags BETWEEN -2147483648 AND 2147483647),
    appId INTEGER CHECK (appId BETWEEN -2147483648 AND 2147483647),
    fileType INTEGER CHECK (fileType BETWEEN -2147483648 AND 2147483647),
    cTime INTEGER CHECK (cTime BETWEEN -2147483648 AND 2147483647),
    jobId INTEGER CHECK (jobId BETWEEN -2147483648 AND 2147483647),
    backupLevel INTEGER CHECK (backupLevel BETWEEN -2147483648 AND 2147483647),
    isValid INTEGER CHECK (isValid BETWEEN -2147483648 AND 2147483647),
    cloudId INTEGER CHECK (cloudId BETWEEN -2147483648 AND 2147483647),
    contentIndexTime INTEGER CHECK (contentIndexTime BETWEEN -2147483648 AND 2147483647),
    nPushedItems INTEGER CHECK (nPushedItems BETWEEN -2147483648 AND 2147483647),
    PRIMARY KEY (id, tesselId),
    FOREIGN KEY (archGroupId) REFERENCES archGroup (id)
);
CREATE INDEX IF NOT EXISTS archFile_archGroupId ON archFile (archGroupId);

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

CREATE TABLE IF NOT EXISTS sqlVersion (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    type INTEGER CHECK (type BETWEEN -2147483648 AND 2147483647),
    major INTEGER CHECK (major BETWEEN -2147483648 AND 2147483647),
    minor INTEGER CHECK (minor BETWEEN -2147483648 AND 2147483647),
    build INTEGER CHECK (build BETWEEN -2147483648 AND 2147483647)
);

CREATE TABLE IF NOT EXISTS sqlServer (
    instanceId INTEGER CHECK (instanceId BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    serverName TEXT COLLATE KELTEXT CHECK (length(CAST(serverName AS BLOB)) <= 128),
    sqlVersionId INTEGER CHECK (sqlVersionId BETWEEN -2147483648 AND 2147483647),
    sa TEXT COLLATE KELTEXT CHECK (length(CAST(sa AS BLOB)) <= 128),
    saPassword TEXT COLLATE KELTEXT CHECK (length(CAST(saPassword AS BLOB)) <= 512),
    undoFile TEXT COLLATE KELTEXT CHECK (length(CAST(undoFile AS BLOB)) <= 1024),
    addTime INTEGER CHECK (addTime BETWEEN -2147483648 AND 2147483647),
    removalTime INTEGER CHECK (removalTime BETWEEN -2147483648 AND 2147483647),
    deleteFlag INTEGER CHECK (deleteFlag BETWEEN -2147483648 AND 2147483647),
    sqlNTAccount TEXT COLLATE KELTEXT CHECK (length(CAST(sqlNTAccount AS BLOB)) <= 256),
    sqlNTPassword TEXT COLLATE KELTEXT CHECK (length(CAST(sqlNTPassword AS BLOB)) <= 512),
    sqlServiceName TEXT COLLATE KELTEXT CHECK (length(CAST(sqlServiceName AS BLOB)) <= 256),
    flags INTEGER CHECK (flags BETWEEN -2147483648 AND 2147483647),
    clientId INTEGER CHECK (clientId BETWEEN -2147483648 AND 2147483647),
    PRIMARY KEY (instanceId),
    FOREIGN KEY (instanceId) REFERENCES APP_InstanceName (id),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id),
    FOREIGN KEY (sqlVersionId) REFERENCES sqlVersion (id),
    FOREIGN KEY (clientId) REFERENCES APP_Client (id)
);
CREATE INDEX IF NOT EXISTS sqlServer_tesselId ON sqlServer (tesselId);
CREATE INDEX IF NOT EXISTS sqlServer_sqlVersionId ON sqlServer (sqlVersionId);
CREATE INDEX IF NOT EXISTS sqlServer_clientId ON sqlServer (clientId);

CREATE TABLE IF NOT EXISTS sqlDatabase (
    backupSetId INTEGER CHECK (backupSetId BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    sqlServerId INTEGER CHECK (sqlServerId BETWEEN -2147483648 AND 2147483647),
    applicationNumber INTEGER CHECK (applicationNumber BETWEEN -2147483648 AND 2147483647),
    databaseId INTEGER CHECK (databaseId BETWEEN -2147483648 AND 2147483647),
    databaseName TEXT COLLATE KELTEXT CHECK (length(CAST(databaseName AS BLOB)) <= 128),
    creationTime TEXT CHECK (creationTime IS NULL OR (creationTime GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' AND creationTime <> '0000-00-00 00:00:00')),
    streams INTEGER CHECK (streams BETWEEN -2147483648 AND 2147483647),
    maxStreams INTEGER CHECK (maxStreams BETWEEN -2147483648 AND 2147483647),
    allowFlags INTEGER CHECK (allowFlags BETWEEN -2147483648 AND 2147483647),
    addTime INTEGER CHECK (addTime BETWEEN -2147483648 AND 2147483647),
    removalTime INTEGER CHECK (removalTime BETWEEN -2147483648 AND 2147483647),
    deleteFlag INTEGER CHECK (deleteFlag BETWEEN -2147483648 AND 2147483647),
    systemFlags INTEGER CHECK (systemFlags BETWEEN -2147483648 AND 2147483647),
    logStreams INTEGER CHECK (logStreams BETWEEN -2147483648 AND 2147483647),
    PRIMARY KEY (backupSetId),
    FOREIGN KEY (backupSetId) REFERENCES APP_BackupSetName (id),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id),
    FOREIGN KEY (sqlServerId) REFERENCES sqlServer (instanceId)
);
CREATE INDEX IF NOT EXISTS sqlDatabase_tesselId ON sqlDatabase (tesselId);
CREATE INDEX IF NOT EXISTS sqlDatabase_sqlServerId ON sqlDatabase (sqlServerId);

CREATE TABLE IF NOT EXISTS sqlFileGroup (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    sqlDatabaseId INTEGER CHECK (sqlDatabaseId BETWEEN -2147483648 AND 2147483647),
    applicationNumber INTEGER CHECK (applicationNumber BETWEEN -2147483648 AND 2147483647),
    groupId INTEGER CHECK (groupId BETWEEN -2147483648 AND 2147483647),
    fileGroupName TEXT COLLATE KELTEXT CHECK (length(CAST(fileGroupName AS BLOB)) <= 128),
    streams INTEGER CHECK (streams BETWEEN -2147483648 AND 2147483647),
    maxStreams INTEGER CHECK (maxStreams BETWEEN -2147483648 AND 2147483647),
    addTime INTEGER CHECK (addTime BETWEEN -2147483648 AND 2147483647),
    removalTime INTEGER CHECK (removalTime BETWEEN -2147483648 AND 2147483647),
    deleteFlag INTEGER CHECK (deleteFlag BETWEEN -2147483648 AND 2147483647),
    FOREIGN KEY (sqlDatabaseId) REFERENCES sqlDatabase (backupSetId),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id)
);
CREATE INDEX IF NOT EXISTS sqlFileGroup_sqlDatabaseId ON sqlFileGroup (sqlDatabaseId);
CREATE INDEX IF NOT EXISTS sqlFileGroup_tesselId ON sqlFileGroup (tesselId);

CREATE TABLE IF NOT EXISTS sqlFile (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    sqlFileGroupId INTEGER CHECK (sqlFileGroupId BETWEEN -2147483648 AND 2147483647),
    fileId INTEGER CHECK (fileId BETWEEN -2147483648 AND 2147483647),
    physicalName TEXT COLLATE KELTEXT CHECK (length(CAST(physicalName AS BLOB)) <= 260),
    logicalName TEXT COLLATE KELTEXT CHECK (length(CAST(logicalName AS BLOB)) <= 128),
    size INTEGER CHECK (size BETWEEN -2147483648 AND 2147483647),
    maxSize INTEGER CHECK (maxSize BETWEEN -2147483648 AND 2147483647),
    addTime INTEGER CHECK (addTime BETWEEN -2147483648 AND 2147483647),
    removalTime INTEGER CHECK (removalTime BETWEEN -2147483648 AND 2147483647),
    deleteFlag INTEGER CHECK (deleteFlag BETWEEN -2147483648 AND 2147483647),
    FOREIGN KEY (sqlFileGroupId) REFERENCES sqlFileGroup (id),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id)
);
CREATE INDEX IF NOT EXISTS sqlFile_sqlFileGroupId ON sqlFile (sqlFileGroupId);
CREATE INDEX IF NOT EXISTS sqlFile_tesselId ON sqlFile (tesselId);

CREATE TABLE IF NOT EXISTS sqlFileSubClient (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    sqlDatabaseId INTEGER CHECK (sqlDatabaseId BETWEEN -2147483648 AND 2147483647),
    applicationNumber INTEGER CHECK (applicationNumber BETWEEN -2147483648 AND 2147483647),
    subClientName TEXT COLLATE KELTEXT CHECK (length(CAST(subClientName AS BLOB)) <= 128),
    streams INTEGER CHECK (streams BETWEEN -2147483648 AND 2147483647),
    maxStreams INTEGER CHECK (maxStreams BETWEEN -2147483648 AND 2147483647),
    flags INTEGER CHECK (flags BETWEEN -2147483648 AND 2147483647),
    sqlFileSubClientGroupId INTEGER CHECK (sqlFileSubClientGroupId BETWEEN -2147483648 AND 2147483647),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id),
    FOREIGN KEY (sqlDatabaseId) REFERENCES sqlDatabase (backupSetId)
);
CREATE INDEX IF NOT EXISTS sqlFileSubClient_tesselId ON sqlFileSubClient (tesselId);
CREATE INDEX IF NOT EXISTS sqlFileSubClient_sqlDatabaseId ON sqlFileSubClient (sqlDatabaseId);

CREATE TABLE IF NOT EXISTS sqlFileSubClientGroup (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    sqlFileSubClientId INTEGER CHECK (sqlFileSubClientId BETWEEN -2147483648 AND 2147483647),
    sqlFileId INTEGER CHECK (sqlFileId BETWEEN -2147483648 AND 2147483647),
    sqlFileGroupId INTEGER CHECK (sqlFileGroupId BETWEEN -2147483648 AND 2147483647),
    nextId INTEGER CHECK (nextId BETWEEN -2147483648 AND 2147483647),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id),
    FOREIGN KEY (sqlFileSubClientId) REFERENCES sqlFileSubClient (id),
    FOREIGN KEY (sqlFileGroupId) REFERENCES sqlFileGroup (id)
);
CREATE INDEX IF NOT EXISTS sqlFileSubClientGroup_tesselId ON sqlFileSubClientGroup (tesselId);
CREATE INDEX IF NOT EXISTS sqlFileSubClientGroup_sqlFileSubClientId ON sqlFileSubClientGroup (sqlFileSubClientId);
CREATE INDEX IF NOT EXISTS sqlFileSubClientGroup_sqlFileGroupId ON sqlFileSubClientGroup (sqlFileGroupId);

CREATE TABLE IF NOT EXISTS sqlBackupSet (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    sqlDatabaseId INTEGER CHECK (sqlDatabaseId BETWEEN -2147483648 AND 2147483647),
    backupSetId INTEGER CHECK (backupSetId BETWEEN -2147483648 AND 2147483647),
    name TEXT COLLATE KELTEXT CHECK (length(CAST(name AS BLOB)) <= 128),
    description TEXT COLLATE KELTEXT CHECK (length(CAST(description AS BLOB)) <= 255),
    userName TEXT COLLATE KELTEXT CHECK (length(CAST(userName AS BLOB)) <= 128),
    vendorId INTEGER CHECK (vendorId BETWEEN -2147483648 AND 2147483647),
    sqlVersionId INTEGER CHECK (sqlVersionId BETWEEN -2147483648 AND 2147483647),
    mtfVersionId INTEGER CHECK (mtfVersionId BETWEEN -2147483648 AND 2147483647),
    timeZone INTEGER CHECK (timeZone BETWEEN -2147483648 AND 2147483647),
    seltraStartTime INTEGER CHECK (seltraStartTime BETWEEN -2147483648 AND 2147483647),
    seltraFinishTime INTEGER CHECK (seltraFinishTime BETWEEN -2147483648 AND 2147483647),
    compatibility INTEGER CHECK (compatibility BETWEEN -2147483648 AND 2147483647),
    dbVersion INTEGER CHECK (dbVersion BETWEEN -2147483648 AND 2147483647),
    backupSize TEXT COLLATE KELTEXT CHECK (length(CAST(backupSize AS BLOB)) <= 32),
    mediaSetId INTEGER CHECK (mediaSetId BETWEEN -2147483648 AND 2147483647),
    streams INTEGER CHECK (streams BETWEEN -2147483648 AND 2147483647),
    jobId_h INTEGER CHECK (jobId_h BETWEEN -2147483648 AND 2147483647),
    jobId_l INTEGER CHECK (jobId_l BETWEEN -2147483648 AND 2147483647),
    sqlFileSubClientId INTEGER CHECK (sqlFileSubClientId BETWEEN -2147483648 AND 2147483647),
    FOREIGN KEY (sqlDatabaseId) REFERENCES sqlDatabase (backupSetId),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id),
    FOREIGN KEY (sqlVersionId) REFERENCES sqlVersion (id),
    FOREIGN KEY (mtfVersionId) REFERENCES sqlVersion (id)
);
CREATE INDEX IF NOT EXISTS sqlBackupSet_sqlDatabaseId ON sqlBackupSet (sqlDatabaseId);
CREATE INDEX IF NOT EXISTS sqlBackupSet_tesselId ON sqlBackupSet (tesselId);
CREATE INDEX IF NOT EXISTS sqlBackupSet_sqlVersionId ON sqlBackupSet (sqlVersionId);
CREATE INDEX IF NOT EXISTS sqlBackupSet_mtfVersionId ON sqlBackupSet (mtfVersionId);
CREATE INDEX IF NOT EXISTS sqlBackupSet_sqlDatabaseId_backupSetId ON sqlBackupSet (sqlDatabaseId, backupSetId);
CREATE INDEX IF NOT EXISTS sqlBackupSet_sqlDatabaseId_name ON sqlBackupSet (sqlDatabaseId, name);
CREATE INDEX IF NOT EXISTS sqlBackupSet_mediaSetId ON sqlBackupSet (mediaSetId);

CREATE TABLE IF NOT EXISTS sqlBackupFile (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    sqlFileGroupId INTEGER CHECK (sqlFileGroupId BETWEEN -2147483648 AND 2147483647),
    sqlBackupSetId INTEGER CHECK (sqlBackupSetId BETWEEN -2147483648 AND 2147483647),
    number INTEGER CHECK (number BETWEEN -2147483648 AND 2147483647),
    physicalName TEXT COLLATE KELTEXT CHECK (length(CAST(physicalName AS BLOB)) <= 260),
    logicalName TEXT COLLATE KELTEXT CHECK (length(CAST(logicalName AS BLOB)) <= 128),
    physicalDrive TEXT COLLATE KELTEXT CHECK (length(CAST(physicalDrive AS BLOB)) <= 260),
    pageSize INTEGER CHECK (pageSize BETWEEN -2147483648 AND 2147483647),
    pageCount INTEGER CHECK (pageCount BETWEEN -2147483648 AND 2147483647),
    type INTEGER CHECK (type BETWEEN -2147483648 AND 2147483647),
    FOREIGN KEY (sqlBackupSetId) REFERENCES sqlBackupSet (id),
    FOREIGN KEY (sqlFileGroupId) REFERENCES sqlFileGroup (id),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id)
);
CREATE INDEX IF NOT EXISTS sqlBackupFile_sqlBackupSetId ON sqlBackupFile (sqlBackupSetId);
CREATE INDEX IF NOT EXISTS sqlBackupFile_sqlFileGroupId ON sqlBackupFile (sqlFileGroupId);
CREATE INDEX IF NOT EXISTS sqlBackupFile_tesselId ON sqlBackupFile (tesselId);
CREATE INDEX IF NOT EXISTS sqlBackupFile_sqlBackupSetId_logicalName ON sqlBackupFile (sqlBackupSetId, logicalName);

CREATE TABLE IF NOT EXISTS sqlArchiveSet (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    sqlBackupSetId INTEGER CHECK (sqlBackupSetId BETWEEN -2147483648 AND 2147483647),
    mediaSetId INTEGER CHECK (mediaSetId BETWEEN -2147483648 AND 2147483647),
    sequenceNumber INTEGER CHECK (sequenceNumber BETWEEN -2147483648 AND 2147483647),
    archiveGroup INTEGER CHECK (archiveGroup BETWEEN -2147483648 AND 2147483647),
    archiveFile INTEGER CHECK (archiveFile BETWEEN -2147483648 AND 2147483647),
    bIsTombstoned INTEGER CHECK (bIsTombstoned BETWEEN -2147483648 AND 2147483647),
    FOREIGN KEY (sqlBackupSetId) REFERENCES sqlBackupSet (id),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id)
);
CREATE INDEX IF NOT EXISTS sqlArchiveSet_sqlBackupSetId ON sqlArchiveSet (sqlBackupSetId);
CREATE INDEX IF NOT EXISTS sqlArchiveSet_tesselId ON sqlArchiveSet (tesselId);
CREATE INDEX IF NOT EXISTS sqlArchiveSet_archiveFile ON sqlArchiveSet (archiveFile);
CREATE INDEX IF NOT EXISTS sqlArchiveSet_archiveGroup ON sqlArchiveSet (archiveGroup);

CREATE TABLE IF NOT EXISTS sqlLSNs (
    sqlBackupSetId INTEGER CHECK (sqlBackupSetId BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    sqlDatabaseId INTEGER CHECK (sqlDatabaseId BETWEEN -2147483648 AND 2147483647),
    startTime TEXT CHECK (startTime IS NULL OR (startTime GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' AND startTime <> '0000-00-00 00:00:00')),
    finishTime TEXT CHECK (finishTime IS NULL OR (finishTime GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' AND finishTime <> '0000-00-00 00:00:00')),
    backupType INTEGER CHECK (backupType BETWEEN -2147483648 AND 2147483647),
    firstLSN TEXT COLLATE KELLSN CHECK (length(CAST(firstLSN AS BLOB)) <= 32),
    lastLSN TEXT COLLATE KELLSN CHECK (length(CAST(lastLSN AS BLOB)) <= 32),
    checkpointLSN TEXT COLLATE KELLSN CHECK (length(CAST(checkpointLSN AS BLOB)) <= 32),
    fullBackupLSN TEXT COLLATE KELLSN CHECK (length(CAST(fullBackupLSN AS BLOB)) <= 32),
    PRIMARY KEY (sqlBackupSetId),
    FOREIGN KEY (sqlBackupSetId) REFERENCES sqlBackupSet (id),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id),
    FOREIGN KEY (sqlDatabaseId) REFERENCES sqlDatabase (backupSetId)
);
CREATE INDEX IF NOT EXISTS sqlLSNs_tesselId ON sqlLSNs (tesselId);
CREATE INDEX IF NOT EXISTS sqlLSNs_sqlDatabaseId ON sqlLSNs (sqlDatabaseId);
CREATE INDEX IF NOT EXISTS sqlLSNs_sqlDatabaseId_backupType ON sqlLSNs (sqlDatabaseId, backupType);

CREATE TABLE IF NOT EXISTS sqlLogMarkNames (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    sqlDatabaseId INTEGER CHECK (sqlDatabaseId BETWEEN -2147483648 AND 2147483647),
    name TEXT COLLATE KELTEXT CHECK (length(CAST(name AS BLOB)) <= 64),
    description TEXT COLLATE KELTEXT CHECK (length(CAST(description AS BLOB)) <= 255),
    lsn TEXT COLLATE KELLSN CHECK (length(CAST(lsn AS BLOB)) <= 32),
    markTime TEXT CHECK (markTime IS NULL OR (markTime GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' AND markTime <> '0000-00-00 00:00:00')),
    FOREIGN KEY (sqlDatabaseId) REFERENCES sqlDatabase (backupSetId),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id)
);
CREATE INDEX IF NOT EXISTS sqlLogMarkNames_sqlDatabaseId ON sqlLogMarkNames (sqlDatabaseId);
CREATE INDEX IF NOT EXISTS sqlLogMarkNames_tesselId ON sqlLogMarkNames (tesselId);

CREATE TABLE IF NOT EXISTS sqlRestoreTask (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    restoreType INTEGER CHECK (restoreType BETWEEN -2147483648 AND 2147483647),
    sqlBackupSetId INTEGER CHECK (sqlBackupSetId BETWEEN -2147483648 AND 2147483647),
    restoreTime INTEGER CHECK (restoreTime BETWEEN -2147483648 AND 2147483647),
    percentage INTEGER CHECK (percentage BETWEEN -2147483648 AND 2147483647),
    undoFile TEXT COLLATE KELTEXT CHECK (length(CAST(undoFile AS BLOB)) <= 1024),
    restoreUser TEXT COLLATE KELTEXT CHECK (length(CAST(restoreUser AS BLOB)) <= 128),
    restorePassword TEXT COLLATE KELTEXT CHECK (length(CAST(restorePassword AS BLOB)) <= 512),
    sqlDatabaseId INTEGER CHECK (sqlDatabaseId BETWEEN -2147483648 AND 2147483647),
    restoreFlags INTEGER CHECK (restoreFlags BETWEEN -2147483648 AND 2147483647),
    sqlRestoreDataId INTEGER CHECK (sqlRestoreDataId BETWEEN -2147483648 AND 2147483647),
    sqlServerId INTEGER CHECK (sqlServerId BETWEEN -2147483648 AND 2147483647),
    databaseName TEXT COLLATE KELTEXT CHECK (length(CAST(databaseName AS BLOB)) <= 128),
    next INTEGER CHECK (next BETWEEN -2147483648 AND 2147483647),
    systemFlags INTEGER CHECK (systemFlags BETWEEN -2147483648 AND 2147483647),
    archiveCopyId INTEGER CHECK (archiveCopyId BETWEEN -2147483648 AND 2147483647),
    stopMarkName TEXT COLLATE KELTEXT CHECK (length(CAST(stopMarkName AS BLOB)) <= 64),
    FOREIGN KEY (sqlDatabaseId) REFERENCES sqlDatabase (backupSetId),
    FOREIGN KEY (sqlServerId) REFERENCES sqlServer (instanceId)
);
CREATE INDEX IF NOT EXISTS sqlRestoreTask_sqlDatabaseId ON sqlRestoreTask (sqlDatabaseId);
CREATE INDEX IF NOT EXISTS sqlRestoreTask_sqlServerId ON sqlRestoreTask (sqlServerId);

CREATE TABLE IF NOT EXISTS sqlRestoreData (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    restoreTaskId INTEGER CHECK (restoreTaskId BETWEEN -2147483648 AND 2147483647),
    dataType INTEGER CHECK (dataType BETWEEN -2147483648 AND 2147483647),
    sqlId INTEGER CHECK (sqlId BETWEEN -2147483648 AND 2147483647),
    sqlName TEXT COLLATE KELTEXT CHECK (length(CAST(sqlName AS BLOB)) <= 128),
    sqlFileRenameId INTEGER CHECK (sqlFileRenameId BETWEEN -2147483648 AND 2147483647),
    next INTEGER CHECK (next BETWEEN -2147483648 AND 2147483647),
    FOREIGN KEY (restoreTaskId) REFERENCES sqlRestoreTask (id)
);
CREATE INDEX IF NOT EXISTS sqlRestoreData_restoreTaskId ON sqlRestoreData (restoreTaskId);

CREATE TABLE IF NOT EXISTS sqlFileRename (
    id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN -2147483648 AND 2147483647),
    restoreTaskId INTEGER CHECK (restoreTaskId BETWEEN -2147483648 AND 2147483647),
    physicalName TEXT COLLATE KELTEXT CHECK (length(CAST(physicalName AS BLOB)) <= 260),
    logicalName TEXT COLLATE KELTEXT CHECK (length(CAST(logicalName AS BLOB)) <= 128),
    next INTEGER CHECK (next BETWEEN -2147483648 AND 2147483647),
    FOREIGN KEY (restoreTaskId) REFERENCES sqlRestoreTask (id)
);
CREATE INDEX IF NOT EXISTS sqlFileRename_restoreTaskId ON sqlFileRename (restoreTaskId);

