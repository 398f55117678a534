/*
 * A host of Dorvex.dll that installs both callbacks (error display and trace) as __stdcall
 * functions and has the library call them a few thousand times: each OpenDorvex on a refused
 * port shows one error and traces the table lookup. A callback called with the wrong
 * convention leaves the stack unbalanced by its argument bytes on every call; the host watches
 * the stack depth in its own loop and inside the callbacks, and must end without a fault.
 *
 *   dorvex_callback_stack REFUSED_PORT [ROUNDS]
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include "dorvex.h"

/* The stack may move by a frame or two between call paths, never by the calls' count. */
#define kStackSlack 512

typedef struct {
    long calls;
    uintptr_t lowest;
    uintptr_t highest;
} DepthRange;

static DepthRange errorDepths, traceDepths, hostDepths;
static long wrongContext;
static int context = 42;

static __attribute__((noinline)) uintptr_t StackDepth(void) {
    volatile char marker = 0;
    return (uintptr_t)&marker;
}

static void Record(DepthRange* range, uintptr_t depth) {
    if (range->calls == 0 || depth < range->lowest)
        range->lowest = depth;
    if (range->calls == 0 || depth > range->highest)
        range->highest = depth;
    ++range->calls;
}

static void DORVEX_CALL ShowError(const char* title, const char* text, void* given) {
    Record(&errorDepths, StackDepth());
    if (given != &context || title == NULL || text == NULL)
        ++wrongContext;
}

static void DORVEX_CALL Trace(const char* direction, const char* kind, const char* line,
                              void* given) {
    Record(&traceDepths, StackDepth());
    if (given != &context || direction == NULL || kind == NULL || line == NULL)
        ++wrongContext;
}

static int Balanced(const char* what, const DepthRange* range, long expected) {
    uintptr_t spread = range->highest - range->lowest;
    int ok = range->calls >= expected && spread <= kStackSlack;
    printf("%s: %s: %ld calls, stack depth varied by %lu bytes\n", ok ? "ok" : "FAIL", what,
           range->calls, (unsigned long)spread);
    return ok;
}

int main(int argc, char** argv) {
    char link[32];
    long rounds = argc > 2 ? strtol(argv[2], NULL, 10) : 2000;
    long round;
    int ok;
    if (argc < 2 || rounds <= 0) {
        fprintf(stderr, "usage: %s REFUSED_PORT [ROUNDS]\n", argv[0]);
        return 2;
    }
    snprintf(link, sizeof(link), "IPC:%s", argv[1]);
    SetErrorDisplayHandler(&ShowError, &context);
    SetTraceHandler(&Trace, &context);
    SetDisplayErrorMode(1);
    SetConnectionTimeout(1000);
    for (round = 0; round < rounds; ++round) {
        Record(&hostDepths, StackDepth());
        if (OpenDorvex(link, "1", "127.0.0.1", 0, 0, "table.csv") != -1) {
            printf("FAIL: OpenDorvex on the refused port %s did not fail\n", argv[1]);
            return 1;
        }
        CloseDorvex();
    }
    SetTraceHandler(NULL, NULL);
    SetErrorDisplayHandler(NULL, NULL);
    ok = Balanced("host loop", &hostDepths, rounds);
    ok = Balanced("error display callback", &errorDepths, rounds) && ok;
    ok = Balanced("trace callback", &traceDepths, rounds) && ok;
    if (wrongContext != 0) {
        printf("FAIL: %ld callbacks got wrong arguments\n", wrongContext);
        ok = 0;
    }
    printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
