/*
 * Calls Dorvex.dll the way the desktop program and VB6 callers do: loaded by name with
 * LoadLibraryA, every function looked up by its undecorated name with GetProcAddress and
 * called as __stdcall. Writes, reads and deletes the sample files against a scale simulator.
 *
 *   dorvex_load_by_name LINK ADDRESS SAMPLES_DIR WORK_DIR
 *
 * LINK and ADDRESS as OpenDorvex takes them: "IPC:port" and "127.0.0.1", or "COM5:9600" (or
 * "COM5:9600|RS485") and the station number.
 *
 * Exit status 0 when every step did what it should; each failure is printed.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

typedef int(__stdcall* OpenDorvexFn)(const char*, const char*, const char*, int, int, const char*);
typedef int(__stdcall* NoArgumentFn)(void);
typedef int(__stdcall* TextFn)(const char*);
typedef int(__stdcall* BufferFn)(char*);
typedef int(__stdcall* NumberFn)(int);
/* Looked-up functions pass through this type, which converts to any function type. */
typedef void (*AnyFn)(void);

static const char* const kExports[] = {
    "TestConnection",  "OpenDorvex",     "CloseDorvex",         "OpenDorvexComm",
    "CloseDorvexComm", "SetDestination", "SetCRChar",           "SetInputDir",
    "SetOutputDir",    "SetErrorDir",    "SetDisplayErrorMode", "SetConnectionTimeout",
    "SendWriteFile",   "SendReadFile",   "SendDeleteFile",      "GetCommStatus",
    "SendData",        "ReceiveData"};

static HMODULE library;
static int failures;

static AnyFn Function(const char* name) {
    FARPROC function = GetProcAddress(library, name);
    if (function == NULL) {
        printf("FAIL: %s is not exported\n", name);
        ++failures;
    }
    return (AnyFn)function;
}

static void Check(int ok, const char* what) {
    printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    if (!ok)
        ++failures;
}

static void PathOf(char* out, const char* directory, const char* name) {
    snprintf(out, MAX_PATH, "%s\\%s", directory, name);
}

static int FileContains(const char* path, const char* part) {
    static char content[1 << 20];
    FILE* file = fopen(path, "rb");
    size_t length;
    if (file == NULL)
        return 0;
    length = fread(content, 1, sizeof(content) - 1, file);
    fclose(file);
    content[length] = '\0';
    return part == NULL || strstr(content, part) != NULL;
}

/* Starts one transfer, polls the status as the desktop program does, checks the result file. */
static void Transfer(TextFn start, const char* file, const char* resultFile, const char* expected,
                     const char* outputDir) {
    NoArgumentFn getStatus = (NoArgumentFn)Function("GetCommStatus");
    char what[512];
    char resultPath[MAX_PATH];
    int status = -1;
    int polls;
    snprintf(what, sizeof(what), "%s started", file);
    Check(start(file) == 1, what);
    /* GetCommStatus pauses 200 ms: 300 polls are a minute. */
    for (polls = 0; polls < 300; ++polls) {
        status = getStatus();
        if (status == 4 || status == 5 || status < 0)
            break;
    }
    snprintf(what, sizeof(what), "%s ended without error (status %d)", file, status);
    Check(status == 4, what);
    PathOf(resultPath, outputDir, resultFile);
    snprintf(what, sizeof(what), "%s holds \"%s\"", resultFile, expected ? expected : "");
    Check(FileContains(resultPath, expected), what);
}

static void CopySample(const char* samples, const char* input, const char* name) {
    char from[MAX_PATH], to[MAX_PATH];
    PathOf(from, samples, name);
    PathOf(to, input, name);
    if (!CopyFileA(from, to, FALSE)) {
        printf("FAIL: cannot copy %s (error %lu)\n", from, GetLastError());
        ++failures;
    }
}

int main(int argc, char** argv) {
    static const char* const kSamples[] = {
        "articles_w.csv",     "departments_w.csv", "labeltexts_w.csw",  "articles_r.csv",
        "articles_all_r.csv", "articles_d.csv",    "articles_all_r.csw"};
    char input[MAX_PATH], output[MAX_PATH], errors[MAX_PATH], what[128], reply[65536];
    size_t i;
    if (argc != 5) {
        fprintf(stderr, "usage: %s LINK ADDRESS SAMPLES_DIR WORK_DIR\n", argv[0]);
        return 2;
    }
    const char* link = argv[1];
    const char* address = argv[2];
    const char* samples = argv[3];
    const char* work = argv[4];
    PathOf(input, work, "in");
    PathOf(output, work, "out");
    PathOf(errors, work, "err");
    CreateDirectoryA(work, NULL);
    CreateDirectoryA(input, NULL);
    CreateDirectoryA(output, NULL);
    CreateDirectoryA(errors, NULL);
    for (i = 0; i < sizeof(kSamples) / sizeof(kSamples[0]); ++i)
        CopySample(samples, input, kSamples[i]);

    library = LoadLibraryA("Dorvex.dll");
    if (library == NULL) {
        printf("FAIL: LoadLibraryA(\"Dorvex.dll\") failed (error %lu)\n", GetLastError());
        return 1;
    }
    for (i = 0; i < sizeof(kExports) / sizeof(kExports[0]); ++i)
        Function(kExports[i]);
    if (failures > 0)
        return 1;

    /* The desktop program's calling order. */
    ((NumberFn)Function("SetConnectionTimeout"))(3000);
    ((NumberFn)Function("SetDisplayErrorMode"))(0);
    snprintf(what, sizeof(what), "OpenDorvex on the simulator through %s", link);
    Check(((OpenDorvexFn)Function("OpenDorvex"))(link, "1", address, 0, 0, "table.csv") == 1, what);
    if (failures > 0)
        return 1;
    ((TextFn)Function("SetInputDir"))(input);
    ((TextFn)Function("SetOutputDir"))(output);
    ((TextFn)Function("SetErrorDir"))(errors);
    ((TextFn)Function("SetDestination"))("1");
    ((TextFn)Function("SetCRChar"))("|");

    TextFn write = (TextFn)Function("SendWriteFile");
    TextFn read = (TextFn)Function("SendReadFile");
    TextFn erase = (TextFn)Function("SendDeleteFile");
    Transfer(write, "articles_w.csv", "articles_w_a.csv", "OK", output);
    Transfer(write, "departments_w.csv", "departments_w_a.csv", "OK", output);
    Transfer(write, "labeltexts_w.csw", "labeltexts_w_a.csw", NULL, output);
    /* PLU 2 as written: the 8-bit name in the data code page. */
    Transfer(read, "articles_r.csv", "articles_r_a.csv", "P\xE2t\xE9 de campagne", output);
    Transfer(read, "articles_all_r.csv", "articles_all_r_a.csv", "Pommes Golden", output);
    Transfer(erase, "articles_d.csv", "articles_d_a.csv", "OK", output);
    Transfer(read, "articles_all_r.csw", "articles_all_r_a.csw", NULL, output);

    /* A raw exchange: the identity request and its reply. */
    Check(((TextFn)Function("SendData"))("<idt m=\"r\"><dvn>1<dpn>1") == 1, "SendData");
    Check(((BufferFn)Function("ReceiveData"))(reply) > 0, "ReceiveData brought the reply");

    Check(((NoArgumentFn)Function("CloseDorvex"))() == 1, "CloseDorvex");
    FreeLibrary(library);
    printf("%s: %d failure(s)\n", failures == 0 ? "PASS" : "FAIL", failures);
    return failures == 0 ? 0 : 1;
}
