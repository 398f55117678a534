#!/usr/bin/env python3
"""Sends one data file to several scales at once through engines by handle, with ctypes.

    python3 send_to_scales.py DATA_FILE OUTPUT_DIR HOST:PORT [HOST:PORT ...]

Each scale's results go to OUTPUT_DIR/scale-N. DORVEX_LIBRARY names the library file when it
is not installed (e.g. build/bin/libdorvex.so). Exit status: 0 when every scale ended well,
1 otherwise, 2 when none could be reached.
"""
import ctypes
import os
import sys

TERMINATED = 4


def load_library():
    lib = ctypes.CDLL(os.environ.get("DORVEX_LIBRARY", "libdorvex.so.1"))
    text, number, out = ctypes.c_char_p, ctypes.c_int, ctypes.POINTER(ctypes.c_int)
    signatures = {
        "SetConnectionTimeout": [number],
        "OpenEngine": [text, text, text, number, text],
        "CloseEngine": [number],
        "SetEngineDirectories": [number, text, text, text],
        "SetEngineCRChar": [number, text],
        "SendEngineWriteFile": [number, text],
        "WaitEngineTransfer": [number, number],
        "GetEngineProgress": [number, out, out, out, out],
        "GetLastErrorText": [ctypes.c_char_p, number],
    }
    for name, arguments in signatures.items():
        function = getattr(lib, name)
        function.argtypes = arguments
        function.restype = number
    return lib


def last_error(lib):
    buffer = ctypes.create_string_buffer(512)
    lib.GetLastErrorText(buffer, len(buffer))
    return buffer.value.decode(errors="replace")


def main():
    if len(sys.argv) < 4:
        print(f"usage: {sys.argv[0]} DATA_FILE OUTPUT_DIR HOST:PORT...", file=sys.stderr)
        return 2
    data_file, output_dir, addresses = sys.argv[1], sys.argv[2], sys.argv[3:]
    input_dir, file_name = os.path.split(os.path.abspath(data_file))
    lib = load_library()
    lib.SetConnectionTimeout(3000)

    handles = {}
    for number, address in enumerate(addresses, start=1):
        name = f"scale-{number}"
        handle = lib.OpenEngine(b"IPC", b"1", address.encode(), 0, b"table.csv")
        if handle < 0:
            print(f"{name}: {last_error(lib)}")
            continue
        directory = os.path.join(output_dir, name)
        os.makedirs(directory, exist_ok=True)
        lib.SetEngineDirectories(handle, os.fsencode(input_dir), os.fsencode(directory),
                                 os.fsencode(directory))
        lib.SetEngineCRChar(handle, b"|")
        if lib.SendEngineWriteFile(handle, os.fsencode(file_name)) != 1:
            print(f"{name}: not started: {last_error(lib)}")
            lib.CloseEngine(handle)
            continue
        handles[name] = handle

    # The scales work in parallel; each wait returns when its transfer has ended.
    good = 0
    for name, handle in handles.items():
        status = lib.WaitEngineTransfer(handle, 3600000)
        counts = [ctypes.c_int() for _ in range(4)]
        lib.GetEngineProgress(handle, *(ctypes.byref(c) for c in counts))
        sent, _, ok, failed = (c.value for c in counts)
        print(f"{name}: status {status}, {sent} sent, {ok} ok, {failed} failed")
        good += status == TERMINATED
        lib.CloseEngine(handle)
    if not handles:
        return 2
    return 0 if good == len(addresses) else 1


if __name__ == "__main__":
    sys.exit(main())
