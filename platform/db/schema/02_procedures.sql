-- The catalogue's stored procedures, kept as T-SQL text that the batch
-- runner executes (kelProcedures.body is the whole CREATE PROCEDURE text),
-- and the platform table the client-version procedure reads.

-- Platform: the release of the agent software installed on each client.
CREATE TABLE IF NOT EXISTS APP_ClientRelease (
    clientId INTEGER PRIMARY KEY CHECK (clientId BETWEEN -2147483648 AND 2147483647),
    tesselId INTEGER CHECK (tesselId BETWEEN -2147483648 AND 2147483647),
    release TEXT COLLATE KELTEXT CHECK (length(CAST(release AS BLOB)) <= 32),
    buildId TEXT COLLATE KELTEXT CHECK (length(CAST(buildId AS BLOB)) <= 32),
    releaseID INTEGER CHECK (releaseID BETWEEN -2147483648 AND 2147483647),
    FOREIGN KEY (clientId) REFERENCES APP_Client (id),
    FOREIGN KEY (tesselId) REFERENCES APP_Tessel (id)
);

CREATE TABLE IF NOT EXISTS kelProcedures (
    name TEXT PRIMARY KEY COLLATE NOCASE,
    body TEXT NOT NULL
);

-- The archive files that hold full database backups of an application,
-- created at or before a time (seconds since 1970), newest first, one row per
-- copy: the first row is the archive file a restore of the application at
-- that time starts from. Parameters in call order:
--   @reserved1   not read (0)
--   @appId       the application (the database's applicationNumber)
--   @fileType    archive file type of backup data (1)
--   @atTime      the point in time
--   @reserved5   not read (0)
--   @validOnly   1: only archive files marked valid
--   @copyId      the copy to read from, 0 for any
--   @tombStone   tomb-stone limit: 1 counts tomb-stoned archive sets too
--   @reserved9   not read (0)
--   @fullOnly    1: only full database backups (types 68 and 100)
INSERT OR REPLACE INTO kelProcedures (name, body) VALUES ('archFileByTime',
'CREATE PROCEDURE archFileByTime @reserved1 integer, @appId integer, @fileType integer, @atTime integer,
    @reserved5 integer, @validOnly integer, @copyId integer, @tombStone integer, @reserved9 integer,
    @fullOnly integer
AS
SET NOCOUNT ON
select distinct f.id, f.tesselId, f.archGroupId, c.copyId, f.fileType, f.cTime, f.jobId, f.backupLevel,
       c.physicalSize, c.logicalSize
  from archFile f, archFileCopy c, sqlArchiveSet a, sqlLSNs l
 where f.appId = @appId and f.fileType = @fileType and f.cTime <= @atTime
   and (@validOnly = 0 or f.isValid = 1)
   and c.archFileId = f.id and (@copyId = 0 or c.copyId = @copyId)
   and a.archiveFile = f.id and a.tesselId = f.tesselId and a.bIsTombstoned <= @tombStone
   and l.sqlBackupSetId = a.sqlBackupSetId
   and (@fullOnly = 0 or l.backupType = 68 or l.backupType = 100)
 order by f.cTime desc, f.id desc, c.copyId asc
SET NOCOUNT OFF');

-- The release of the agent software on a client: no row when it is unknown.
INSERT OR REPLACE INTO kelProcedures (name, body) VALUES ('simGetVersionOfClient',
'CREATE PROCEDURE simGetVersionOfClient @clientId integer
AS
SET NOCOUNT ON
select RTRIM(release), RTRIM(buildId), releaseID from APP_ClientRelease where clientId = @clientId
SET NOCOUNT OFF');
