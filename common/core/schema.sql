-- Template of the shared database file ping_addr.mdb.
-- Applied once by the build (only where no file exists yet) and by the tests;
-- no program ever creates or upgrades the file itself.
--
-- Date-times are text 'YYYY-MM-DD HH:MM:SS' in local time: they sort and
-- compare as dates, and every program reads them the same way.
-- Column order matters: readers use positions (addrs 0-2, logs 0-5).

PRAGMA journal_mode = WAL;

CREATE TABLE addrs (
    ip_addr      TEXT    NOT NULL,
    descript     TEXT    DEFAULT '',
    ping_timeout INTEGER NOT NULL DEFAULT 500
);

CREATE TABLE logs (
    -- AUTOINCREMENT: the key only grows and is never reused, even after the
    -- newest rows were deleted by log clearing.
    id         INTEGER PRIMARY KEY AUTOINCREMENT,
    time_begin TEXT    NOT NULL DEFAULT (datetime('now', 'localtime')),
    time_end   TEXT,
    foe        INTEGER NOT NULL DEFAULT 0 CHECK (foe IN (0, 1)),
    ip         TEXT    NOT NULL,
    "desc"     TEXT    DEFAULT ''
);

CREATE TABLE options (
    refresh_time INTEGER NOT NULL DEFAULT 1,
    snd_err      TEXT    NOT NULL DEFAULT '',
    snd_rest     TEXT    NOT NULL DEFAULT '',
    "view"       INTEGER NOT NULL DEFAULT 1
);

-- At most one open row per address, whoever writes; the same index is how
-- the monitor's pass and its report window find the open rows without
-- reading the whole history.
CREATE UNIQUE INDEX logs_one_open ON logs (ip) WHERE foe=false;
-- The grapher selects one host's closed rows of a period.
CREATE INDEX logs_closed_by_desc ON logs ("desc", foe, time_begin);
-- admin lists the log newest first and deletes it by age.
CREATE INDEX logs_by_begin ON logs (time_begin);

INSERT INTO options (refresh_time, snd_err, snd_rest, "view")
VALUES (1, 'network-connectivity-lost', 'network-connectivity-established', 1);

INSERT INTO addrs (ip_addr, descript, ping_timeout)
VALUES ('127.0.0.1', 'Этот компьютер', 500);
