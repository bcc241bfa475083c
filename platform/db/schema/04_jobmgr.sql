-- Platform: the job manager's restore tasks. A task names the catalogue
-- restore task a restore job runs, with its Tessel, job, GUI sequence number
-- and user; the id is the job manager's restore task id. Nothing refers to
-- the catalogue: the job manager keeps what it was given.
CREATE TABLE IF NOT EXISTS APP_JobRestoreTask (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    tesselId INTEGER NOT NULL,
    guiSequenceNumber INTEGER NOT NULL DEFAULT 0,
    jobId INTEGER NOT NULL DEFAULT 0,
    sqlRestoreTaskId INTEGER NOT NULL DEFAULT 0,
    userId INTEGER NOT NULL DEFAULT 0,
    userName TEXT NOT NULL DEFAULT '' CHECK (length(CAST(userName AS BLOB)) <= 1024)
);
