#!/usr/bin/env python3
"""Writes one data file to a scale (or to dorvex-scale-sim) through libdorvex, with ctypes.

    dorvex-scale-sim --port 0 &        # prints "listening on 127.0.0.1:PORT"
    python3 send_file.py 127.0.0.1:PORT /usr/share/doc/dorvex/samples/articles_w.csv /tmp/out

DORVEX_LIBRARY names the library file when it is not installed (e.g. build/bin/libdorvex.so).
Exit status: 0 terminated, 1 terminated with error, 2 not started.
"""
import ctypes
import os
import sys

TERMINATED = 4


def load_library():
    lib = ctypes.CDLL(os.environ.get("DORVEX_LIBRARY", "libdorvex.so.1"))
    text, number = ctypes.c_char_p, ctypes.c_int
    signatures = {
        "GetDorvexVersion": [],
        "SetConnectionTimeout": [number],
        "SetDisplayErrorMode": [number],
        "OpenDorvex": [text, text, text, number, number, text],
        "CloseDorvex": [],
        "SetInputDir": [text],
        "SetOutputDir": [text],
        "SetErrorDir": [text],
        "SetDestination": [text],
        "SetCRChar": [text],
        "SendWriteFile": [text],
        "GetCommStatus": [],
        "GetTransferProgress": [ctypes.POINTER(number), ctypes.POINTER(number)],
    }
    for name, arguments in signatures.items():
        function = getattr(lib, name)
        function.argtypes = arguments
        function.restype = number
    return lib


def main():
    if len(sys.argv) != 4:
        print(f"usage: {sys.argv[0]} HOST[:PORT] DATA_FILE OUTPUT_DIR", file=sys.stderr)
        return 2
    address, data_file, output_dir = (os.fsencode(a) for a in sys.argv[1:])
    input_dir, file_name = os.path.split(os.path.abspath(data_file))

    lib = load_library()
    print("libdorvex", lib.GetDorvexVersion())
    lib.SetConnectionTimeout(5000)
    lib.SetDisplayErrorMode(1)
    if lib.OpenDorvex(b"IPC", b"1", address, 0, 0, b"table.csv") != 1:
        print("cannot reach the scale at", sys.argv[1], file=sys.stderr)
        lib.CloseDorvex()
        return 2
    try:
        lib.SetInputDir(input_dir)
        lib.SetOutputDir(output_dir)
        lib.SetErrorDir(output_dir)
        lib.SetDestination(b"1")
        lib.SetCRChar(b"|")
        if lib.SendWriteFile(file_name) != 1:
            print("the transfer did not start (see error.log)", file=sys.stderr)
            return 2
        sent, expected = ctypes.c_int(), ctypes.c_int()
        while (status := lib.GetCommStatus()) < TERMINATED:
            lib.GetTransferProgress(ctypes.byref(sent), ctypes.byref(expected))
            print(f"\r{sent.value}/{expected.value} requests", end="", flush=True)
        print()
    finally:
        lib.CloseDorvex()
    print("transfer terminated" if status == TERMINATED else "transfer terminated with error")
    return 0 if status == TERMINATED else 1


if __name__ == "__main__":
    sys.exit(main())
