/*
 * send_file: writes one data file to a scale (or to dorvex-scale-sim) through libdorvex.
 *
 *   cc send_file.c $(pkg-config --cflags --libs dorvex) -o send_file
 *   dorvex-scale-sim --port 0 &        # prints "listening on 127.0.0.1:PORT"
 *   ./send_file 127.0.0.1:PORT /usr/share/doc/dorvex/samples/articles_w.csv /tmp/out
 *
 * The result file (articles_w_a.csv, or articles_w_e.csv with error.log) goes to the output
 * directory. Exit status: 0 terminated, 1 terminated with error, 2 not started.
 */
#include <stdio.h>
#include <string.h>

#include <dorvex.h>
#include <dorvex_version.h>

#if !DORVEX_VERSION_AT_LEAST(1, 0, 0)
#error "dorvex 1.0 or later needed"
#endif

/* The directory part of a path ("." when there is none); the file name is what remains. */
static const char* split_path(char* path) {
    char* slash = strrchr(path, '/');
    if (slash == NULL)
        return ".";
    *slash = '\0';
    return path[0] != '\0' ? path : "/";
}

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: %s HOST[:PORT] DATA_FILE OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    char directory[4096];
    snprintf(directory, sizeof directory, "%s", argv[2]);
    const char* slash = strrchr(argv[2], '/');
    const char* file_name = slash != NULL ? slash + 1 : argv[2];
    const char* input_dir = split_path(directory);

    printf("libdorvex %d (headers %s)\n", GetDorvexVersion(), DORVEX_VERSION_STRING);
    SetConnectionTimeout(5000);
    SetDisplayErrorMode(1); /* link errors on standard error */
    if (OpenDorvex("IPC", "1", argv[1], 0, 0, "table.csv") != 1) {
        fprintf(stderr, "cannot reach the scale at %s\n", argv[1]);
        CloseDorvex();
        return 2;
    }
    SetInputDir(input_dir);
    SetOutputDir(argv[3]);
    SetErrorDir(argv[3]);
    SetDestination("1");
    SetCRChar("|");

    int status = DORVEX_TERMINATED_WITH_ERROR;
    if (SendWriteFile(file_name) == 1) {
        while ((status = GetCommStatus()) < DORVEX_TERMINATED) {
            int sent = 0, expected = 0;
            GetTransferProgress(&sent, &expected);
            printf("\r%d/%d requests", sent, expected);
            fflush(stdout);
        }
        printf("\n");
    } else {
        fprintf(stderr, "the transfer of %s did not start (see %s/error.log)\n", file_name,
                argv[3]);
        CloseDorvex();
        return 2;
    }
    CloseDorvex();
    printf("%s\n", status == DORVEX_TERMINATED ? "transfer terminated"
                                               : "transfer terminated with error");
    return status == DORVEX_TERMINATED ? 0 : 1;
}
