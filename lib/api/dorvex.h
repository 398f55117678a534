/*
 * dorvex.h - the transfer library's C interface.
 *
 * One transfer engine stands behind these functions, held in a library-wide slot:
 * OpenDorvex creates it, CloseDorvex destroys it. Strings cross as zero-terminated 8-bit
 * text in the API encoding (UTF-8 on Linux, the ANSI code page on Windows); the caller owns
 * them for the duration of the call. Numbers and results are 32-bit integers.
 *
 * Results: 1 done, -1 failed, unless a function says otherwise. Functions that need an
 * engine return -1 when none exists (GetCommStatus returns -1 too; ReceiveData 0).
 * Null string arguments are treated as empty strings.
 *
 * Threads: call every function from one thread, except GetCommStatus and
 * GetTransferProgress, which may be called while a transfer runs. Do not change settings
 * or start another transfer while a transfer runs (status 1, 2 or 3).
 */
#ifndef DORVEX_H
#define DORVEX_H

#ifdef _WIN32
#define DORVEX_CALL __stdcall
#ifdef DORVEX_BUILDING
#define DORVEX_API __declspec(dllexport)
#else
#define DORVEX_API __declspec(dllimport)
#endif
#else
#define DORVEX_CALL
#define DORVEX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Transfer status returned by GetCommStatus. */
enum {
    DORVEX_READY = 0,
    DORVEX_PREPARING = 1,
    DORVEX_SENDING = 2,
    DORVEX_RECEIVING = 3,
    DORVEX_TERMINATED = 4,
    DORVEX_TERMINATED_WITH_ERROR = 5
};

/*
 * ReceiveData and TestConnection copy at most DORVEX_REPLY_MAX - 1 bytes of the reply plus
 * a terminating zero: the caller's buffer must hold DORVEX_REPLY_MAX bytes. A longer reply
 * is cut at a character boundary. The result is the number of characters copied.
 */
#define DORVEX_REPLY_MAX 65536

/* ---- Engine life ---------------------------------------------------------------------- */

/* Identity check of one scale over TCP (port 1120): creates a temporary engine with default
 * settings, sends the identity request and waits up to 5 s. The address may end in ":port"
 * to reach another port. Returns the reply length in
 * characters (0 when nothing came). Closes any engine in the slot first. */
DORVEX_API int DORVEX_CALL TestConnection(const char* address, char* reply);

/* link: "IPC" (TCP client, "IPC:port" for another port than 1120), "IPS[:port]" (TCP
 * server), "COMn[:baud[|RS485]]" (serial). device: the scale number ("0".."99"). address:
 * the scale's host for "IPC" ("host:port" also selects the port), the station number for
 * "COM". reserved: 0. unicode: 1 to
 * carry UTF-16LE text on TCP links. table_file: "table.csv" (looked up beside the library,
 * then in $XDG_CONFIG_HOME/dorvex or ~/.config/dorvex, then /etc/dorvex, unless it contains a
 * path separator). Returns 1 when the link opened, -1 otherwise; the
 * engine exists in both cases and CloseDorvex disposes of it. An engine already in the slot
 * is closed first. */
DORVEX_API int DORVEX_CALL OpenDorvex(const char* link, const char* device, const char* address,
                                      int reserved, int unicode, const char* table_file);
/* Stops a running transfer, closes the link, destroys the engine. Always 1. */
DORVEX_API int DORVEX_CALL CloseDorvex(void);
/* Opens a link on the existing engine (closing its current link first). 1 / -1. */
DORVEX_API int DORVEX_CALL OpenDorvexComm(const char* link, const char* device, const char* address,
                                          int reserved, int unicode);
/* Stops a running transfer and closes the link. 1; -1 without an engine. */
DORVEX_API int DORVEX_CALL CloseDorvexComm(void);

/* ---- Settings (1 done, -1 without an engine unless stated) ------------------------------ */

DORVEX_API int DORVEX_CALL SetDestination(const char* device);
/* The text that stands for a line break inside data values ("|" by convention). */
DORVEX_API int DORVEX_CALL SetCRChar(const char* marker);
DORVEX_API int DORVEX_CALL SetInputDir(const char* directory);
DORVEX_API int DORVEX_CALL SetOutputDir(const char* directory);
DORVEX_API int DORVEX_CALL SetErrorDir(const char* directory);
/* 1 shows link errors through the error display; any other value hides them. Works without
 * an engine (kept for the next OpenDorvex). Returns 1. */
DORVEX_API int DORVEX_CALL SetDisplayErrorMode(int mode);
/* Connect timeout of the TCP client in ms. -1 for 0 or negative values (nothing stored).
 * Works without an engine (kept for the next OpenDorvex). */
DORVEX_API int DORVEX_CALL SetConnectionTimeout(int milliseconds);

/* ---- Transfers ------------------------------------------------------------------------ */

/* Start a write, read or delete of the data file (a bare name in the input directory, or a
 * path). 1 started, -1 refused (the reason is in error.log for some causes; the status
 * then reads 5). Poll GetCommStatus until 4 or 5 before the next call. */
DORVEX_API int DORVEX_CALL SendWriteFile(const char* file_name);
DORVEX_API int DORVEX_CALL SendReadFile(const char* file_name);
DORVEX_API int DORVEX_CALL SendDeleteFile(const char* file_name);
/* Pauses 200 ms, then returns the status 0..5 (-1 without an engine). 4 and 5 are published
 * only once the result file has been written. */
DORVEX_API int DORVEX_CALL GetCommStatus(void);

/* ---- Raw messages --------------------------------------------------------------------- */

/* Sends one text over the link. 1 handed over, -1 refused. */
DORVEX_API int DORVEX_CALL SendData(const char* text);
/* Waits for one reply (5 s, or 9 000 000 ms after a whole-table read or delete) and copies
 * it, zero-terminated, into reply (DORVEX_REPLY_MAX bytes). Returns its length in
 * characters; 0 and an empty string when nothing came. */
DORVEX_API int DORVEX_CALL ReceiveData(char* reply);

/* ---- Extras (same naming style, beside the core eighteen) ------------------------------ */

/* Version as major * 10000 + minor * 100 + patch. */
DORVEX_API int DORVEX_CALL GetDorvexVersion(void);

/* Requests sent and requests expected by the current (or last) transfer. The expected count
 * grows after the count reply of a whole-table read. 1, or -1 without an engine (both
 * outputs then 0). Null pointers are allowed. */
DORVEX_API int DORVEX_CALL GetTransferProgress(int* sent, int* expected);

/* The 8-bit encoding of ".csv" files, result files, error.log lines, ANSI TCP texts and
 * serial texts: "WINDOWS-1252" by default (or the environment variable DORVEX_CODEPAGE),
 * any iconv name otherwise. 1 accepted, -1 unknown name (the previous one stays). */
DORVEX_API int DORVEX_CALL SetDataCodePage(const char* name);

/* Receives what the links would show in a message box "Error": title and text in UTF-8.
 * Null restores the default (standard error). May be called from the link's threads. */
typedef void(DORVEX_CALL* DorvexErrorHandler)(const char* title, const char* text, void* context);
DORVEX_API int DORVEX_CALL SetErrorDisplayHandler(DorvexErrorHandler handler, void* context);

/* Traffic trace for support: one call per message sent or received. direction is "send",
 * "recv", "drop" (discarded stale input) or "info" (an event); kind is "IPC", "IPS" or "COM",
 * or "table" for the event that names the table definitions read by OpenDorvex (or every
 * place looked at); line is a readable text with the time, the message and, for serial
 * frames, its bytes in hex.
 * Null switches the handler off. The environment variable DORVEX_TRACE=file appends the same
 * lines to a file. Off by default. */
typedef void(DORVEX_CALL* DorvexTraceHandler)(const char* direction, const char* kind,
                                              const char* line, void* context);
DORVEX_API int DORVEX_CALL SetTraceHandler(DorvexTraceHandler handler, void* context);

/* Reply timeouts of the default engine in ms: for row requests (default 5000) and for
 * whole-table reads and deletes (default 9000000). 0 keeps the current value. 1 done; -1 for a
 * negative value (nothing changed). Works without an engine (kept for the next OpenDorvex). */
DORVEX_API int DORVEX_CALL SetReplyTimeout(int row_milliseconds, int table_milliseconds);

/* Never pauses. 1 while the transfer of the default engine waits for a reply, with the
 * milliseconds waited so far and the limit of that wait; 0 when it is not waiting (both
 * outputs 0); -1 without an engine. Null pointers are allowed. */
DORVEX_API int DORVEX_CALL GetReplyWait(int* waited_milliseconds, int* limit_milliseconds);

/* The reason the calling thread's latest failed call of this library failed (each thread has
 * its own; a successful call leaves it unchanged), for example
 *   "no table of table.csv is named in the file name "prices_w.csv": rename the file ..."
 *   "cannot open the link IPC to 127.0.0.1:1120: Connecting to the server failed. ..."
 * Copies at most size - 1 bytes plus a terminating zero, cut at a character boundary, and
 * returns the number of bytes copied: 0 and "" when no call of this thread has failed. */
DORVEX_API int DORVEX_CALL GetLastErrorText(char* text, int size);

/* The reason the default engine's latest transfer ended with status 5: its first error (a
 * refused start, a reply that did not come, an error reply, a result file not written).
 * Copies like GetLastErrorText; 0 and "" when that transfer did not end with 5; -1 without an
 * engine. error.log keeps its own lines unchanged. */
DORVEX_API int DORVEX_CALL GetTransferErrorText(char* text, int size);

/* ---- Looking without acting ------------------------------------------------------------ */

/* The full path of the library file in use. Copies like GetLastErrorText and returns the
 * length of the whole path in bytes (call with a null path to learn it); 0 and "" when it is
 * unknown. */
DORVEX_API int DORVEX_CALL GetLibraryPath(char* path, int size);

/* The table definitions OpenDorvex would read for table_file (looked up as OpenDorvex says).
 * Copies their full path like GetLastErrorText and returns the length of the whole path in
 * bytes; -1 when there is no such file, GetLastErrorText then naming every place looked at. */
DORVEX_API int DORVEX_CALL FindTableFile(const char* table_file, char* path, int size);

/* Dry run of a transfer: prepares the write, read or delete of data_file as SendWriteFile,
 * SendReadFile or SendDeleteFile would on an engine opened with table_file, input_dir,
 * device and marker (as OpenDorvex, SetInputDir, SetDestination and SetCRChar take them), and
 * describes it without any engine or link. mode: "w", "r" or "d"; null or "" for the one the
 * file name holds (its first "_w.", "_r." or "_d."), a write when it holds none. The plan is
 * one line per item, each ending in "\n": the encoding, the table definitions, the table, each
 * column with its tag ("NO TAG" when it has none), the number of rows, the operation ("w", "r"
 * or "d") and the first three requests (line breaks written "\r" and "\n"), or "whole-table
 * read" / "whole-table delete". Copies like GetLastErrorText. Returns the length of the whole
 * plan in bytes when the transfer would start (call with a null plan to learn it); -1 when it
 * would be refused, GetLastErrorText then saying why and plan holding the lines up to the
 * refusal. Reads the data file and the table definitions only. */
DORVEX_API int DORVEX_CALL PlanTransfer(const char* table_file, const char* input_dir,
                                        const char* data_file, const char* mode, const char* device,
                                        const char* marker, char* plan, int plan_size);

/* ---- Engines by handle ------------------------------------------------------------------
 *
 * Any number of engines side by side, each with its own link, worker, directories and
 * settings, for hosts that serve many scales at once. A handle is a positive int, never given
 * out twice in a process. Calls on different handles may run on different threads at once;
 * calls on one handle are carried out one after another. An unknown or closed handle gives -1
 * (0 for ReceiveEngineData), with the reason in GetLastErrorText, never a crash. These
 * functions do not touch the default engine of the core eighteen, nor it them. */

/* Creates an engine, reads its table file and opens its link (same arguments as OpenDorvex;
 * the device is also the destination). The connection timeout and error display are those
 * last given to SetConnectionTimeout (5000 ms by default) and SetDisplayErrorMode. Returns the
 * handle (> 0), or -1 when the link did not open (nothing is kept; GetLastErrorText says why). */
DORVEX_API int DORVEX_CALL OpenEngine(const char* link, const char* device, const char* address,
                                      int unicode, const char* table_file);
/* Stops a running transfer, closes the link and forgets the handle. Waits for a call in
 * progress on the same engine. 1, or -1 for an unknown handle. */
DORVEX_API int DORVEX_CALL CloseEngine(int engine);

/* Settings, 1 done or -1: like SetInputDir/SetOutputDir/SetErrorDir, SetDestination and
 * SetCRChar. Timeouts in ms, 0 keeping a value: the connect timeout of later reconnects, and
 * the reply timeouts of row and whole-table requests (as SetReplyTimeout). */
DORVEX_API int DORVEX_CALL SetEngineDirectories(int engine, const char* input_dir,
                                                const char* output_dir, const char* error_dir);
DORVEX_API int DORVEX_CALL SetEngineDestination(int engine, const char* device);
DORVEX_API int DORVEX_CALL SetEngineCRChar(int engine, const char* marker);
DORVEX_API int DORVEX_CALL SetEngineTimeouts(int engine, int connect_milliseconds,
                                             int row_reply_milliseconds,
                                             int table_reply_milliseconds);

/* Transfers, like SendWriteFile, SendReadFile and SendDeleteFile: 1 started, -1 refused. */
DORVEX_API int DORVEX_CALL SendEngineWriteFile(int engine, const char* file_name);
DORVEX_API int DORVEX_CALL SendEngineReadFile(int engine, const char* file_name);
DORVEX_API int DORVEX_CALL SendEngineDeleteFile(int engine, const char* file_name);
/* The status 0..5 at once (no pause), -1 for an unknown handle. */
DORVEX_API int DORVEX_CALL GetEngineStatus(int engine);
/* Requests sent and expected, and replies that reported success or did not (a missing reply,
 * an error reply, an unknown-message reply). 1 or -1; null pointers allowed. */
DORVEX_API int DORVEX_CALL GetEngineProgress(int engine, int* sent, int* expected, int* ok,
                                             int* failed);
/* Blocks until the engine's transfer ends or timeout_milliseconds pass, then returns the
 * status: 4 or 5 when it ended (at once if it had already), else the current one (0..3). Also
 * returns when the engine is closed meanwhile. -1 for an unknown handle or a negative timeout.
 * Start the transfer before waiting: a wait after an earlier transfer returns its outcome. */
DORVEX_API int DORVEX_CALL WaitEngineTransfer(int engine, int timeout_milliseconds);
/* Raw messages, like SendData and ReceiveData. */
DORVEX_API int DORVEX_CALL SendEngineData(int engine, const char* text);
DORVEX_API int DORVEX_CALL ReceiveEngineData(int engine, char* reply);
/* Like GetReplyWait and GetTransferErrorText, for the engine of the handle. */
DORVEX_API int DORVEX_CALL GetEngineReplyWait(int engine, int* waited_milliseconds,
                                              int* limit_milliseconds);
DORVEX_API int DORVEX_CALL GetEngineTransferErrorText(int engine, char* text, int size);

/* ---- Sync and verify ---------------------------------------------------------------------
 *
 * For price files where few rows change from one day to the next: send only what changed
 * since the scale last acknowledged it, and read back what a scale holds to compare it with a
 * file. These calls block until their transfers end; GetEngineProgress may be called from
 * another thread meanwhile. See docs/sync.md. */

/* Flags of SyncEngineFile. */
enum {
    DORVEX_SYNC_PRUNE = 1,  /* delete the keys the state holds and the file no longer has */
    DORVEX_SYNC_FULL = 2,   /* send every row and rebuild the state */
    DORVEX_SYNC_DRY_RUN = 4 /* only say what would be sent and deleted; touch nothing */
};

/* Sends the rows of a write data file (a bare name in the input directory, or a path) whose
 * key is new or whose content changed since the scale last answered "OK" to them, as one
 * write transfer (same requests, result file and error.log as a write of a file holding only
 * them); with DORVEX_SYNC_PRUNE, deletes by one keyed delete transfer the keys that are gone
 * from the file. The state, one per scale (the link, address and device given to OpenEngine)
 * and table, lies in state_dir (null or "": $XDG_STATE_HOME/dorvex or ~/.local/state/dorvex;
 * %LOCALAPPDATA%\dorvex on Windows); a key's state changes only when its row's reply was
 * "OK". Every row is sent when the state is missing, damaged or older than max_age_seconds (0:
 * 7 days), or when the scale's record count of the table differs from the number of keys in
 * the state. key_column: null or "" for the first column. where: null, "" or a filter such as
 * "DEPARTMENT = 3 & PRICEMODE = KG" (not with DORVEX_SYNC_PRUNE). Two syncs on one scale at
 * once: the second is refused. Returns 1 when every row and key was acknowledged, 0 when some
 * were not (GetLastErrorText says why), -1 when the sync did not run. */
DORVEX_API int DORVEX_CALL SyncEngineFile(int engine, const char* file_name, const char* state_dir,
                                          const char* key_column, const char* where, int flags,
                                          int max_age_seconds);
/* The engine's latest sync: rows unchanged, sent, acknowledged "OK", not acknowledged (sent or
 * not), keys deleted (with a dry run: rows and keys that would be). 1, or -1 for an unknown
 * handle; null pointers allowed. */
DORVEX_API int DORVEX_CALL GetEngineSyncSummary(int engine, int* unchanged, int* sent, int* ok,
                                                int* failed, int* deleted);
/* Reads every row of the file (selected by where) back from the scale by its key and compares
 * it field by field: text exactly (after the line-break marker and the "&|", "<", ">" escapes
 * are undone), values that both hold a decimal separator as numbers ("2.5" equals "2.50").
 * Returns the number of rows that differ or are missing on the scale (0: all match), or -1. */
DORVEX_API int DORVEX_CALL VerifyEngineFile(int engine, const char* file_name,
                                            const char* key_column, const char* where);
/* The engine's latest verify: rows compared, matching, differing, missing. 1 or -1. */
DORVEX_API int DORVEX_CALL GetEngineVerifySummary(int engine, int* checked, int* matching,
                                                  int* differing, int* missing);
/* The report of the engine's latest sync or verify, one line per notice ("every row is sent"
 * and why), per row a dry run would send, per differing or missing row of a verify (with the
 * file's and the scale's values). Copies like GetLastErrorText and returns the length of the
 * whole report in bytes (call with a null text to learn it), or -1 for an unknown handle. */
DORVEX_API int DORVEX_CALL GetEngineSyncReport(int engine, char* text, int size);
/* Like SendEngineWriteFile, for the rows of the file that satisfy every term of where (same
 * grammar as above); a filter naming a column the file lacks is refused. */
DORVEX_API int DORVEX_CALL SendEngineWriteFileWhere(int engine, const char* file_name,
                                                    const char* where);

#ifdef __cplusplus
}
#endif

#endif /* DORVEX_H */
