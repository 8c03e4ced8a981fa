#!/usr/bin/env python3
"""Writes the seed corpus of every harness into fuzz/corpus/<name>/.

Each corpus holds inputs the code must accept ("ok-*") and inputs it must
refuse or survive ("bad-*"). The files are committed; run this again only to
change the seeds, then review the diff.
"""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, seeds):
    folder = os.path.join(HERE, "corpus", name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for kind in ("ok", "bad"):
        assert len(seeds[kind]) >= 20, (name, kind, len(seeds[kind]))
        for i, data in enumerate(seeds[kind], 1):
            if isinstance(data, str):
                data = data.encode("latin-1")
            assert len(data) <= 64 * 1024, (name, kind, i)
            with open(os.path.join(folder, "%s-%02d" % (kind, i)), "wb") as f:
                f.write(data)


def hex_record(rtype, address, data, digits=str.upper):
    body = bytes([len(data), address >> 8, address & 0xFF, rtype]) + bytes(data)
    check = (-sum(body)) & 0xFF
    return ":" + digits((body + bytes([check])).hex())


def hex_file(records, end="\r\n", start=0):
    lines = [hex_record(0, start + 16 * i, range(i, i + 16)) for i in range(records)]
    lines.append(hex_record(1, 0, []))
    return end.join(lines) + end


EOF_RECORD = ":00000001FF"


def descriptor_seeds():
    ok = [
        "TARGET,TRV88\r\nLOAD,0,ab_1234.hex\r\n",
        "TARGET,TRV88,107,gteq\r\nWARNING,Back up the settings first\r\nLOAD,0,ab_1234.hex\r\nLOAD,2,dsp_1234.hex\r\nOVER,1,fpg_1234.hex\r\n",
        "TARGET,TRV88,100,lt\nLOAD,0,ab_1234.hex\nTARGET,TRV88,100,gteq\nLOAD,0,ab_1234.hex\nLOAD,2,dsp_1234.hex\n",
        "target,ZDA71\nload,0,ab_1234.hex\nover,1,fpg_1234.hex\n",
        "TARGET,BRQ\nLOAD,15,ab_1234.hex\nLOAD,14,dsp_1234.hex\n",
        "TARGET,TRV88\nLOAD,0,ab_*.hex\nLOAD,2,?sp_1234.hex\n",
        "TARGET,TRV88\nLOAD,3,common/boot.hex\nLOAD,4,common\\boot.hex\n",
        "TARGET,TRV88\nLOAD,5,Loader [v2].HEX\n",
        "TARGET,TRV88\nSERIAL,2,40000,49999\nLOAD,0,ab_1234.hex\nLOAD,2,dsp_1234.hex\nLOAD,1,fpg_1234.hex\n",
        "TARGET,TRV88\nSERIAL,1,0,40000\nLOAD,0,ab_1234.hex\nSERIAL,1,40001,0\nLOAD,0,dsp_1234.hex\n",
        "TARGET , TRV 88 , 1 07 , EQ\nLOAD , 0 , ab_1234.hex   \n",
        "; descriptor for the TRV88\nTARGET,TRV88\n\nLOAD,0,ab_1234.hex\nrem nothing\n",
        "TARGET,TRV88,107,lteq\nWARNING,\nLOAD,7,ab_1234.hex",
        "TARGET,TRV88,107,gt\rLOAD,0,ab_1234.hex\r",
        "TARGET,TRV28\nLOAD,15,ab_1234.hex\nOVER,15,dsp_1234.hex\n",
        "TARGET,TRV88\n" + "".join("LOAD,%d,ab_1234.hex\n" % (i % 8) for i in range(50)),
        "TARGET,ZDA45,200,eq\nWARNING,Caf\xe9 \xab\xbb {braces} \\backslash\nLOAD,8,ab_1234.hex\n",
        "WARNING,Before any target\nLOAD,0,ab_1234.hex\nTARGET,TRV88\n",
        "TARGET,TRV88\nLOAD,0,missing.hex\nLOAD,1,fpg_1234.hex\n",
        "TARGET,HLX43\nLOAD,0,*.hex\nOVER,1,*.HEX\n",
        "TARGET,TRV88,105,gteq\nLOAD,0,ab_1234.hex\nTARGET,TRV88,105,lt\nWARNING,Old firmware: two steps\nLOAD,0,ab_1234.hex\nLOAD,2,dsp_1234.hex\n",
    ]
    bad = [
        "",
        "\r\n\r\n",
        "TARGET,TRV88\nLOAD,8,ab_1234.hex\n",
        "TARGET,TRV88\nLOAD,-1,ab_1234.hex\n",
        "TARGET,TRV88\nLOAD,99999999999999999999,ab_1234.hex\n",
        "TARGET,TRV88\nLOAD,,ab_1234.hex\n",
        "TARGET,TRV88\nLOAD,x,ab_1234.hex\n",
        "TARGET,TRV88\nLOAD\nOVER,\nLOAD,1\nLOAD,1,\n",
        "TARGET,TRV88,1,gt\nLOAD,0,a.hex\nTARGET,TRV88,2,gt\nLOAD,0,a.hex\nTARGET,TRV88,3,gt\nLOAD,0,a.hex\n",
        "TARGET,TRV88,107\nLOAD,0,ab_1234.hex\n",
        "TARGET,TRV88,107,sometimes\nLOAD,0,ab_1234.hex\n",
        "TARGET\nLOAD,0,ab_1234.hex\n",
        "TARGET,TRV88\nSERIAL,0,1,2\nSERIAL,10,1,2\nSERIAL,3,-5,9\nSERIAL,2,1\nSERIAL\nLOAD,0,ab_1234.hex\n",
        "TARGET,TRV88\nLOAD,0," + "d" * 300 + ".hex\n",
        "TARGET,TRV88\nLOAD,0," + "sub/" * 70 + "x.hex\n",
        "TARGET," + "M" * 400 + "\nLOAD,0,ab_1234.hex\n",
        "TARGET,TRV88\nWARNING," + "w" * 600 + "\nLOAD,0,ab_1234.hex\n",
        "TARGET,TRV88\nLOAD,0,ab_1234.hex\x00LOAD,1,fpg_1234.hex\n",
        "load,1,LOADER.HEX LOAD,2,x.hex\nLoad,0,ab_1234.hex\n",
        bytes(range(256)) * 2,
        "TARGET,TRV88\nLOAD,0,[\\*?.hex\nLOAD,1,\\\\server\\share\\*.hex\n",
        "TARGET,TRV88\n" + "LOAD,0,ab_1234.hex\n" * 60,
    ]
    return {"ok": ok, "bad": bad}


def hex_seeds():
    ok = [
        hex_file(1),
        hex_file(4, "\n"),
        hex_file(0),
        hex_file(3, "\r\n").lower(),
        hex_record(4, 0, [0x00, 0x01]) + "\r\n" + hex_file(2),
        hex_record(2, 0, [0x10, 0x00]) + "\n" + hex_record(3, 0, [0, 0, 1, 0]) + "\n" + hex_file(1, "\n"),
        hex_record(5, 0, [0, 0, 0x80, 0]) + "\n" + hex_file(1, "\n"),
        hex_record(0, 0x1234, list(range(200))) + "\r\n" + EOF_RECORD + "\r\n",
        "; comment line\r\n" + hex_file(2),
        "\r\n\r\n" + hex_file(1) + "\r\n",
        hex_file(1, "\n").rstrip("\n"),
        hex_record(0, 0, []) + "\n" + EOF_RECORD,
        "not a record\n" + hex_file(1, "\n") + "trailing text\n",
        hex_file(16, "\r\n", 0xFF00),
        hex_record(4, 0, [0xFF, 0xFF]) + "\n" + hex_record(0, 0xFFF0, [0xAA] * 16) + "\n" + EOF_RECORD + "\n",
        "x" * 509 + ":\n" + hex_file(1, "\n"),
        hex_record(0, 0, [0x3A] * 250) + "\n" + EOF_RECORD + "\n",
        hex_file(2, "\n\n"),
        hex_file(1).replace(":", ":", 1) + "\x1a",
        hex_record(0, 0, [1, 2, 3], str.lower) + "\r\n" + EOF_RECORD.lower() + "\r\n",
        hex_file(5, "\r\r\n"),
    ]
    rec = hex_record(0, 0, [1, 2, 3, 4])
    bad = [
        "",
        "\n\n\n",
        hex_record(0, 0, [1, 2, 3]) + "\n",
        rec[:-2] + "00\n" + EOF_RECORD + "\n",
        rec[:5] + "G" + rec[6:] + "\n" + EOF_RECORD + "\n",
        rec + "0\n" + EOF_RECORD + "\n",
        ":0\n" + EOF_RECORD + "\n",
        ":\n" + EOF_RECORD + "\n",
        ":05000000010203040500\n" + EOF_RECORD + "\n",
        hex_record(6, 0, []) + "\n" + EOF_RECORD + "\n",
        hex_record(1, 0, [1]) + "\n",
        hex_record(4, 0, [1]) + "\n" + EOF_RECORD + "\n",
        hex_record(5, 0, [1, 2]) + "\n" + EOF_RECORD + "\n",
        EOF_RECORD + "\n" + rec + "\n",
        EOF_RECORD + "\n" + EOF_RECORD + "\n",
        hex_record(0, 0, [0] * 255) + "\n" + EOF_RECORD + "\n",
        "y" * 510 + ":0400000001020304F2\n" + EOF_RECORD + "\n",
        " " + rec + "\n" + EOF_RECORD + " \n",
        rec + "\x00\n" + EOF_RECORD + "\n",
        bytes(range(256)),
        ":" * 2000 + "\n",
        rec + "\r\r\n" + EOF_RECORD + "\n",
    ]
    return {"ok": ok, "bad": bad}


PREVIEW_HEAD = (
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang2057"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Courier New;}}"
    "{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green192\\blue0;\\red255\\green0\\blue0;"
    "\\red127\\green127\\blue127;}"
    "\\deftab1000\\viewkind4\\uc1\\ul\\pard\\cf4\\b\\f0\\fs20 Proposed Operation\\par"
    "\\fs20\\ulnone\\b0\\par"
)


def rtf_seeds():
    ok = [
        PREVIEW_HEAD + "\\cf4 Instrument: \\cf0 TRV88,Kelmscot,40123\\par\\cf4 Erase Sectors: \\cf0 0,\\cf3 9,\\par}",
        PREVIEW_HEAD + "\\cf0 1    0     \\cf0 ab_1234.hex         \\cf0 01/02/25 10:11  4096\\par}",
        PREVIEW_HEAD + "\\cf3             bad checksum at line 12\\par}",
        "{\\rtf1\\ansi Hello {\\b bold} and {\\i italic} and {\\ul under\\ulnone line}.\\par}",
        "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\cf1 red \\cf2 blue \\cf0 plain}",
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fmodern Courier New ;}}\\f1 mono \\f0 sans \\f7 none}",
        "{\\rtf1\\uc1 caf\\'e9 \\u8364? \\u-10179?\\u-8704? done}",
        "{\\rtf1\\uc2 two \\u955xx skipped\\uc0 \\u955 none}",
        "{\\rtf1 \\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet\\tab\\line\\~\\_\\-}",
        "{\\rtf1{\\*\\generator Writer 1.0;}{\\info{\\title T}{\\author A}}text}",
        "{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\*\\unknowndest hidden}{\\pict\\bin4 {}}\\}shown}",
        "{\\rtf1 escaped \\\\ \\{ \\} braces\\par after}",
        "{\\rtf1\\fs40 big \\fs0 default \\fs-3 negative\\plain plain}",
        "{\\rtf1\\b\\i\\ul all {\\b0 nested} back\\b0\\i0\\ulnone}",
        "{\\rtf1\\deff1{\\fonttbl{\\f1 Serif;}} default font}",
        "{\\rtf1 one\\par\r\ntwo\\par\r\n\\\r\nthree}",
        "Plain text, not RTF at all.\nSecond line\twith a tab.",
        "{\\rtf1\\ansi\\ansicpg1252 \\'80\\'85\\'93\\'94\\'99\\'a3}",
        "{\\rtf1 \\uldb double \\ulwave wave \\ulnone \\cell cell\\row row\\page page\\sect sect}",
        "{\\rtf1{\\header skipped}{\\footer skipped}{\\fldinst HYPERLINK}visible}",
        "{\\rtf1 \\emspace\\enspace\\qmspace spaced}",
    ]
    bad = [
        "",
        "{\\rtf",
        "{\\rtf1 unclosed {\\b group",
        "{\\rtf1}}}}} stray closers}}}",
        "{\\rtf1 " + "{" * 3000 + "deep" + "}" * 3000 + "}",
        "{\\rtf1 \\" + "a" * 200 + "1234 long word}",
        "{\\rtf1 \\fs99999999999999999999 \\cf-99999999999 \\u99999999999? x}",
        "{\\rtf1 \\'",
        "{\\rtf1 \\'g1 \\'1",
        "{\\rtf1 \\bin999999 {}}",
        "{\\rtf1 \\bin-5 x\\bin",
        "{\\rtf1 \\u-10179? lone high \\u-8704? \\u-9000? lone low}",
        "{\\rtf1 \\u155?\\u133?\\u127?\\u7?\\u27?[31m}",
        "{\\rtf1 \x01\x02\x1b[2J\x7f\x00 control bytes}",
        "\x1b[31mred\x1b[0m\x07\x08 plain with escapes",
        "{\\rtf1{\\colortbl" + ";" * 5000 + "}\\cf4999 x}",
        "{\\rtf1{\\fonttbl" + "".join("{\\f%d F%d;}" % (i, i) for i in range(300)) + "}\\f299 x}",
        "{\\rtf1{\\fonttbl{\\f-1 Neg;}{\\f2147483647 Max;}{\\f\\f\\f;}}\\f2147483647 x}",
        "{\\rtf1\\uc9 \\u65 skipped beyond}",
        "{\\rtf1 \\*\\* \\* text}",
        bytes(range(256)),
        "{\\rtf1 \\",
    ]
    return {"ok": ok, "bad": bad}


def settings_seeds():
    ok = [
        "[Init]\nCreated=Mon Jun  2 10:00:00 2025\nMainWindowWidth=808\nMainWindowHeight=608\n[Connect]\nInterface=2\nComPort=ttyUSB0\nBaudRate=19200\nIPAddr=192.168.1.20\n",
        "[Connect]\r\nInterface=1\r\nComPort=/dev/serial/by-id/usb-Kelmscot_TRV88_40123-if00\r\nBaudRate=115200\r\n",
        "[Init]\nMainWindowHeight=-1\n",
        "",
        "; settings of Orvane2\n[Connect]\n# a comment\nInterface = 3\nComPort = \"ttyS0\"\nBaudRate = '9600'\n",
        "[connect]\ninterface=2\nipaddr=10.0.0.5\n[CONNECT]\nInterface=1\n",
        "[Connect]\nInterface=2\nInterface=3\nIPAddr=10.0.0.5\n",
        "[Init]\nMainWindowWidth=1024\n\n\n[Connect]\n\nInterface=2\n\n[Other]\nIPAddr=1.2.3.4\n",
        "[ Connect ]\n  IPAddr\t=\t10.1.2.3  \n",
        "[Connect]\nBaudRate=+19200\nInterface=002\n",
        "[Connect]\nComPort=/dev/pts/3\nIPAddr=\n",
        "[Init]\nCreated=x\n[Connect2]\nComPort=ttyACM0\n[Connect]\nComPort=ttyACM1\n",
        "[Connect]\nInterface=2",
        "\xef\xbb\xbf[Init]\nMainWindowWidth=800\n",
        "[Connect]\nComPort=ttyUSB0 ; the adaptor\n",
        "[Init]\r\nMainWindowWidth=800\r\n[Connect]\r\n",
        "[Connect]\nIPAddr='127.0.0.1'\nComPort=\"\"\n",
        "[Init]\nMainWindowHeight=0\nMainWindowWidth=0\n",
        "[Connect]\nBaudRate=4294967295\nInterface=-1\n",
        "[Connect]\nComPort=ttyUSB0\n[Init]\n[Connect]\nComPort=ttyUSB1\n",
        "[Connect]\nComPort=caf\xc3\xa9\n",
    ]
    bad = [
        "[",
        "[]\n=\n==\n",
        "[Connect\nInterface=2\n",
        "Connect]\nInterface=2\n",
        "Interface=2\nIPAddr=1.2.3.4\n",
        "[Connect]\nInterface\nIPAddr\n",
        "[Connect]\nInterface=99999999999999999999\nBaudRate=-99999999999999999999\n",
        "[Connect]\nComPort=" + "p" * 400 + "\nIPAddr=" + "9" * 40 + "\n",
        "[Connect]\nComPort=  \"\n",
        "[Connect]\nComPort=a\x00b\nIPAddr=\x00\n",
        "[Connect]\rInterface=2\rIPAddr=1.2.3.4\r",
        "[Connect]\nComPort=\"quoted\" tail\"\n",
        "[Init]]\nMainWindowHeight=abc\n",
        "[" + "S" * 3000 + "]\n" + "K" * 3000 + "=" + "V" * 3000 + "\n",
        bytes(range(256)),
        "\n" * 500,
        "[Connect]\n[Connect]\n[Connect]\n",
        "[Connect]\nInterface=2\n[Init\nMainWindowWidth=5\n",
        "[Connect]\n;Interface=2\n#IPAddr=x\n[Interface=3\n",
        "[Connect]\nIPAddr=\t \t\r\n",
        "[Connect]\n=value without key\nComPort==\n",
        "[Connect]\nComPort='\n",
    ]
    return {"ok": ok, "bad": bad}


def script_seeds():
    ok = [
        "\"*IDN?\n#reply,2\n\"read?\n#reply\n",
        "#echo,Start of test\n\"config,240,1\n#pause,1\n#beep\n#echo,done\n",
        "=1.5\n=2.5\n=+\n=4\n=test,hi\n=cleartest\n",
        "=stop,onfail\n=10\n=5\n=test,lo\n\"never sent\n",
        "=1\n=^\n=2\n=*\n=3\n=/\n=4\n=-\n=sqrt\n=swap\n=roll\n=drop\n=[1\n=[100\n",
        "=1\n=5\n=3\n=test,in\n=test,out\n",
        "#fast\n\"a\n#normal\n\"b\n#slow\n\"c\n",
        "#wait,Press Run to go on\n\"next\n",
        "#clear\n#time\n#bincon,on\n#bincon,off\n#bincon\n",
        "\"^[\n\"^c\n\"^Z\n\"^1\n\"^\n",
        "\"read?\n#REPLY,500\n\"read?\n#Reply,501\n",
        "#print,results.txt\n",
        "\"*IDN?\r\n#reply,3\r\n",
        "\"a\n\n\n\"b\n\x1a\n",
        "#echo\n#wait\n#pause\n#reply\n",
        "\"say \"hi?\"\n#reply,3\n",
        "=1e300\n=1e300\n=*\n=-1e-320\n=0\n=/\n",
        "=add\n=sub\n=mul\n=div\n=enter\n",
        "just a note\n\"cmd\nmore notes\n",
        "#beep\n#BEEP\n#Beep,twice\n",
        "\"query?\n",
    ]
    bad = [
        "",
        "no script lines here\n",
        "\x1a",
        "\"" + "x" * 2100 + "\n#echo,after the long line\n",
        "#echo," + "e" * 2100 + "\n",
        "#echo," + "e" * 2040 + "\n",
        "\"a\x00b\n#ec\x00ho\n",
        "\"a\rb\rc\n#reply\r,5\n",
        "#reply,-5\n#pause,99999999999\n#reply,2147483648\n#pause,abc\n",
        "=\n=[\n=[0\n=[101\n=[-1\n=[99999999999\n",
        "=test,\n=test,sideways\n=stop\n=cleartest,now\n",
        "=-\n=+\n=--5\n=+-5\n=1.2.3\n=1e\n=1e+\n=.5\n=5.\n",
        "=99999999999999999999999999999999999999999999e99999\n=sqrt\n=-1\n=sqrt\n",
        "\"\n#\n=\n",
        "\"read?",
        "\"read?\n#reply,abc\n#reply,3\n",
        "#print\n#print,\n#PRINTER,/etc/passwd\n",
        "#wait,\n#bincon,\n#time,extra\n",
        bytes(range(256)) + b"\n\"x\n",
        "\r\n\r\n\"a\r\r\r\n",
        "\n" * 1000 + "#beep\n",
        "=0\n=0\n=/\n=test,hi\n=test,lo\n=test,in\n=test,out\n",
    ]
    return {"ok": ok, "bad": bad}


def binary_value(value):
    """The instrument's 4-byte binary form of a value (top bit set)."""
    if value == 0:
        return bytes([0x80, 0x00, 0x80, 0x80])
    negative = value < 0
    value = abs(value)
    exponent = 0
    while value >= 1 << 20:
        value /= 2
        exponent += 1
    while value < 1 << 19:
        value *= 2
        exponent -= 1
    mantissa = int(value)
    exponent += 20
    b0 = 0x80 | (exponent & 0x7F)
    b1 = 0x80 | 0x20 | (0x40 if negative else 0) | ((mantissa >> 14) & 0x3F)
    return bytes([b0, b1, 0x80 | ((mantissa >> 7) & 0x7F), 0x80 | (mantissa & 0x7F)])


def receive_seeds():
    def flags(convert, piece, filler=0):
        return bytes([(1 if convert else 0) | (piece << 1) | (filler << 4)])

    ok = [
        flags(1, 3) + b"1.2345\r\n",
        flags(0, 0) + b"line one\r\nline two\r\n",
        flags(1, 5) + binary_value(1234.5) + b"\r\n",
        flags(1, 1) + binary_value(-0.001) + b"\r\n" + binary_value(0) + b"\n",
        flags(0, 2) + binary_value(42) + b"\r\n",
        flags(1, 4) + b"text then " + binary_value(3.0) + b" more\r\n",
        flags(1, 7) + b"a\x00b\x00c\x00",
        flags(0, 6) + b"partial line without end",
        flags(1, 3, 15) + b"abcdefgh\r\n",
        flags(0, 6, 15) + b"yz\n",
        flags(1, 6, 15) + binary_value(7) + binary_value(8) + b"\n",
        flags(1, 0) + b"\r\r\n\n\x00",
        flags(1, 2) + b"VERSION,3,1.20,2.05,1.07,1.02\r\n15_Mar_2025,KSL\r\n",
        flags(0, 1) + b"\r\n".join(b"%d" % i for i in range(100)) + b"\r\n",
        flags(1, 4) + binary_value(1e-5) * 8 + b"\r\n",
        flags(1, 5, 8) + b"middle\r\n",
        flags(0, 3) + b"CR only\rline\r",
        flags(1, 3) + bytes([0xC1, 0xA0, 0x80, 0x80]) + b"\n",
        flags(1, 7, 14) + b"x" * 1000 + b"\n",
        flags(0, 4) + b"tab\tseparated\tvalues\r\n",
        flags(1, 1) + b"ok\r\n",
    ]
    bad = [
        b"",
        flags(1, 0),
        flags(1, 3) + b"\xff",
        flags(1, 3) + b"\xff\xff",
        flags(1, 3) + b"\xff\xff\xff\n",
        flags(1, 3) + b"\x80" * 200 + b"\n",
        flags(1, 6, 15) + b"\xff" * 10 + b"\n",
        flags(1, 3, 15) + b"\x80\x80\x80",
        flags(0, 6, 15) + b"\xff" * 8,
        flags(1, 0) + bytes(range(256)),
        flags(1, 5) + b"no line end at all " * 50,
        flags(1, 7, 15) + b"x" * 3000,
        flags(1, 2) + b"\xc1\xa0\n\xc1",
        flags(1, 1) + bytes([0x80, 0x3F, 0xFF, 0xFF]) + b"\n",
        flags(1, 1) + bytes([0xBF, 0x7F, 0xFF, 0xFF]) + b"\n",
        flags(1, 1) + bytes([0xC0, 0x20, 0x80, 0x80]) + b"\n",
        flags(0, 0) + b"\x00" * 100,
        flags(1, 4, 15) + (b"\xff" * 4 + b"a") * 100,
        flags(1, 3) + b"\x1b[2J\x07 escape codes\r\n",
        flags(1, 6) + b"\xff" * 6000 + b"\n",
        flags(0, 7, 15) + b"\r" * 50,
        flags(1, 2, 3) + b"\x80\n\x80\r\x80\x00",
    ]
    return {"ok": ok, "bad": bad}


def discovery_seeds():
    def port(p):
        return struct.pack(">H", p)

    def echo(text, p=10001):
        data = ("A" + text + " tcp/%d" % p).encode()
        return data.ljust(26, b" ")

    def query(name=b"TRV8844", address=0x7F000002):
        b = bytearray(30)
        b[3] = 0xF7
        b[4:10] = bytes([2, 0]) + struct.pack(">I", address)
        b[10:10 + len(name)] = name
        return bytes(b)

    addresses = b"".join(struct.pack(">I", a) for a in (0x7F000001, 0x7F000002, 0x7F000001, 0xC0A80114))
    ok = [
        port(10001) + echo("Kelmscot TRV8844 10234"),
        port(10001) + echo("x"),
        port(10001) + echo("Kelmscot ZDA71 1", 10001),
        port(10001) + b"A" + b" " * 20 + b"/10001",
        port(10001) + b"A" + b" " * 20 + b"/0010001 and more",
        port(10001) + b"A/10001" + b"\x00" * 19,
        port(20000) + echo("moved", 20000),
        port(0) + b"A" + b" " * 24 + b"/0",
        port(65535) + echo("max", 65535),
        port(10001) + query(),
        port(10001) + query(b"BRQ", 0xC0A80114),
        port(10001) + query(b""),
        port(10001) + bytes(3) + b"\xf7" + b"\xff" * 26,
        port(10001) + query(b"x" * 20),
        port(10001) + addresses + b"A/10001" + b" " * 20,
        port(10001) + echo("Kelmscot TRV8844 10234 with a longer answer text than usual"),
        port(10001) + b"A" + b"/" + b"10001" + b"/" + b"2" * 30,
        port(10001) + query() + b"",
        port(1) + b"A" + b"z" * 24 + b"/1",
        port(10001) + b"A" + b"\xff" * 24 + b"/10001",
        port(10001) + struct.pack(">I", 0) + struct.pack(">I", 0xFFFFFFFF) + query()[8:],
    ]
    bad = [
        b"",
        b"\x27",
        port(10001),
        port(10001) + b"A",
        port(10001) + echo("x")[:25],
        port(10001) + b"B" + echo("x")[1:],
        port(10001) + b"A" + b" " * 30,
        port(10001) + echo("other port", 10002),
        port(10001) + b"A" + b" " * 25 + b"/",
        port(10001) + b"A" + b" " * 25 + b"/x10001",
        port(10001) + b"A" + b" " * 25 + b"/99999999999999999999",
        port(10001) + b"A" + b" " * 25 + b"/75537",
        port(10001) + query()[:29],
        port(10001) + query() + b"\x00",
        port(10001) + bytes(30),
        port(10001) + bytes(3) + b"\xf6" + bytes(26),
        port(10001) + b"\x58",
        port(10001) + b"\x00\x00\x00\xf6",
        port(10001) + b"A" * 1024,
        port(10001) + bytes(range(256)) * 4,
        port(10001) + struct.pack(">I", 0x0A000001) * 10,
        port(10001) + b"A /" + b"1" * 100,
    ]
    return {"ok": ok, "bad": bad}


def identify_seeds():
    rest = b"15_Mar_2025,KSL\r\n02_Jun_2025\r\nVERSION,3,1.20,2.05,1.07,1.02\r\n"
    models = [b"TRV8844", b"TRV48", b"ZDA71", b"ZDA99", b"HLX2382", b"GDMB68", b"DWEL-RS232", b"RMN-KD", b"QMT", b"WLM67", b"KTB interface", b"ZDA477"]
    ok = [b"Kelmscot," + m + b",10234,1.20\r\n" + rest for m in models]
    ok += [
        b"0000400:    32 32 32 32 FF FF FF FF\r\n",
        b"\r\n\r\nKelmscot,TRV8844,10234,1.20\r\n" + rest,
        b"\n\n\n\nKelmscot,TRV88,1,2\r\n" + rest,
        b"Kelmscot,TRV8844,10234,1.20\n15_Mar_2025\n",
        b"Kelmscot,TRV8844,10234,1.20\r\n",
        b"Kelmscot,TRV8844,10234,1.20\r\n\r\n\r\n\r\n",
        b"Kelmscot,TRV8844,10234,1.20\r\n" + binary_value(1.5) + b"\r\n" + binary_value(-2) + b"\r\nv\r\n",
        b"Unknown maker without a comma\r\n",
        b"Kelmscot,XYZ123,1,2\r\n",
    ]
    bad = [
        b"",
        b"\r\n" * 5,
        b"\n" * 10 + b"Kelmscot,TRV88,1\r\n",
        b"Kelmscot,TRV8844,10234,1.20",
        b"Kelmscot,TRV8844" + b"," * 300 + b"\r\n" + rest,
        b"K" * 300 + b",TRV88\r\n",
        b"Kelmscot," + b"TRV88" * 60 + b"\r\n" + b"c" * 400 + b"\r\n",
        b"Kelmscot,TRV88\x00hidden,1\r\n" + rest,
        b"\x00\x00\x00\n\x00Kelmscot,TRV88\n",
        b"0000400:    32 32 32\r\n",
        b"000040:    32 32 32 32\r\n",
        b"0000400:    32 32 32 32" + b" FF" * 100 + b"\r\n",
        binary_value(12.5) + b"\r\n",
        b"\xff\r\n",
        b"\xff\xff\xff\xff\xff,TRV88\r\n",
        b"Kelmscot,TRV88,1\r" + b"\r" * 100 + b"\n" + rest,
        b"Kelmscot,TRV88,%s%s%n%x,1\r\n" + b"%s%n\r\n" * 3,
        bytes(range(256)),
        b",\r\n",
        b",,,,\r\n,TRV88\r\n",
        b"\x1b[2J,TRV88\x07\r\n" + rest,
        b"Kelmscot,TRV88,1,2\r\n" + b"x" * 5000 + b"\r\n",
    ]
    return {"ok": ok, "bad": bad}


def main():
    write("upgrade_descriptor", descriptor_seeds())
    write("hex_check", hex_seeds())
    write("rtf_reader", rtf_seeds())
    write("settings_file", settings_seeds())
    write("script_line", script_seeds())
    write("receive_step", receive_seeds())
    write("discovery_answer", discovery_seeds())
    write("identify_answer", identify_seeds())


if __name__ == "__main__":
    main()
