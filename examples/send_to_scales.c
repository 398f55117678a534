/* Sends one data file to several scales at once through engines by handle, and waits for
 * each without polling.
 *
 *   send_to_scales DATA_FILE OUTPUT_DIR HOST:PORT [HOST:PORT ...]
 *
 * Each scale's results go to OUTPUT_DIR/scale-N. Exit status: 0 when every scale ended well,
 * 1 otherwise, 2 when none could be reached. */
#include <dorvex.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#define MAX_SCALES 64

static void split_path(const char* path, char* directory, const char** name) {
    const char* slash = strrchr(path, '/');
    if (slash == NULL) {
        strcpy(directory, ".");
        *name = path;
    } else {
        size_t length = (size_t)(slash - path);
        memcpy(directory, path, length);
        directory[length] = '\0';
        *name = slash + 1;
    }
}

int main(int argc, char** argv) {
    int handles[MAX_SCALES];
    int count = argc - 3, reached = 0, good = 0, i;
    char input_dir[4096], output_dir[4096], reason[512];
    const char* file_name;
    if (argc < 4 || count > MAX_SCALES || strlen(argv[1]) >= sizeof(input_dir)) {
        fprintf(stderr, "usage: %s DATA_FILE OUTPUT_DIR HOST:PORT...\n", argv[0]);
        return 2;
    }
    split_path(argv[1], input_dir, &file_name);
    SetConnectionTimeout(3000);

    for (i = 0; i < count; ++i) {
        handles[i] = OpenEngine("IPC", "1", argv[3 + i], 0, "table.csv");
        if (handles[i] < 0) {
            GetLastErrorText(reason, sizeof(reason));
            printf("scale-%d: %s\n", i + 1, reason);
            continue;
        }
        snprintf(output_dir, sizeof(output_dir), "%s/scale-%d", argv[2], i + 1);
        mkdir(argv[2], 0777);
        mkdir(output_dir, 0777);
        SetEngineDirectories(handles[i], input_dir, output_dir, output_dir);
        SetEngineCRChar(handles[i], "|");
        if (SendEngineWriteFile(handles[i], file_name) != 1) {
            GetLastErrorText(reason, sizeof(reason));
            printf("scale-%d: not started: %s\n", i + 1, reason);
            CloseEngine(handles[i]);
            handles[i] = -1;
            continue;
        }
        ++reached;
    }
    /* The scales work in parallel; each wait returns when its transfer has ended. */
    for (i = 0; i < count; ++i) {
        int status, sent = 0, expected = 0, ok = 0, failed = 0;
        if (handles[i] < 0)
            continue;
        status = WaitEngineTransfer(handles[i], 3600000);
        GetEngineProgress(handles[i], &sent, &expected, &ok, &failed);
        printf("scale-%d: status %d, %d sent, %d ok, %d failed\n", i + 1, status, sent, ok, failed);
        if (status == DORVEX_TERMINATED)
            ++good;
        CloseEngine(handles[i]);
    }
    if (reached == 0)
        return 2;
    return good == count ? 0 : 1;
}
