#!/usr/bin/env python3
"""Writes the eight sensor characteristic tables read by the range calculation.

One "temperature signal" pair a line, 1 degC steps over the sensor's range,
closed by the end marker "-300 0". Thermocouples give mV (cold junction at
0 degC), resistance thermometers ohms with R0 = 100. The calculation only uses
the shape of the signal column, so 50P/50M share the 100P/100M files.

Usage: gen_tables.py [output directory]   (default: the directory of this script)
Standard library only; the output does not depend on the locale.
"""
import decimal
import math
import os
import sys

# --- Thermocouples: ITS-90 reference functions (IEC 60584-1), E in mV ------

K_NEG = [0.0, 0.394501280250e-01, 0.236223735980e-04, -0.328589067840e-06,
         -0.499048287770e-08, -0.675090591730e-10, -0.574103274280e-12,
         -0.310888728940e-14, -0.104516093650e-16, -0.198892668780e-19,
         -0.163226974860e-22]
K_POS = [-0.176004136860e-01, 0.389212049750e-01, 0.185587700320e-04,
         -0.994575928740e-07, 0.318409457190e-09, -0.560728448890e-12,
         0.560750590590e-15, -0.320207200030e-18, 0.971511471520e-22,
         -0.121047212750e-25]
K_EXP = (0.118597600000e+00, -0.118343200000e-03, 0.126968600000e+03)

J_LOW = [0.0, 0.503811878150e-01, 0.304758369300e-04, -0.856810657200e-07,
         0.132281952950e-09, -0.170529583370e-12, 0.209480906970e-15,
         -0.125383953360e-18, 0.156317256970e-22]
J_HIGH = [0.296456256810e+03, -0.149761277860e+01, 0.317871039240e-02,
          -0.318476867010e-05, 0.157208190040e-08, -0.306913690560e-12]

E_NEG = [0.0, 0.586655087080e-01, 0.454109771240e-04, -0.779980486860e-06,
         -0.258001608430e-07, -0.594525830570e-09, -0.932140586670e-11,
         -0.102876055340e-12, -0.803701236210e-15, -0.439794973910e-17,
         -0.164147763550e-19, -0.396736195160e-22, -0.558273287210e-25,
         -0.346578420130e-28]
E_POS = [0.0, 0.586655087100e-01, 0.450322755820e-04, 0.289084072120e-07,
         -0.330568966520e-09, 0.650244032700e-12, -0.191974955040e-15,
         -0.125366004970e-17, 0.214892175690e-20, -0.143880417820e-23,
         0.359608994810e-27]


def poly(coeffs, t):
    s = 0.0
    for c in reversed(coeffs):
        s = s * t + c
    return s


def emf_k(t):
    if t < 0:
        return poly(K_NEG, t)
    a0, a1, a2 = K_EXP
    return poly(K_POS, t) + a0 * math.exp(a1 * (t - a2) ** 2)


def emf_j(t):
    return poly(J_LOW, t) if t <= 760 else poly(J_HIGH, t)


def emf_e(t):
    return poly(E_NEG, t) if t < 0 else poly(E_POS, t)


# Type L (chromel-copel), GOST R 8.585-2001: E = sum A_i t^i, mV, one
# polynomial below 0 degC and one from 0 degC on (A_0 is not zero in either).
# Evaluated in exact decimal arithmetic, so every row is the true value
# rounded once to the six decimals written.
L_NEG = ["-5.8952244e-5", "6.3391502e-2", "6.7592964e-5", "2.0672566e-7",
         "5.5720884e-9", "5.7133860e-11", "3.2995593e-13", "9.9232420e-16",
         "1.2079584e-18"]
L_POS = ["-1.8656953e-5", "6.3310975e-2", "6.0153091e-5", "-8.0073134e-8",
         "9.6946071e-11", "-3.6047289e-14", "-2.4694775e-16", "4.2880341e-19",
         "-2.0725297e-22"]
# Values the standard's table prints (mV, rounded to the microvolt).
L_TABLE_VALUES = {100: "6.862", 800: "66.466", -200: "-9.488"}
EXACT = decimal.Context(prec=80)


def emf_l_exact(t):
    """Exact E(t) for a temperature given as an int or a decimal string."""
    t = decimal.Decimal(t)
    s = decimal.Decimal(0)
    for c in reversed(L_NEG if t < 0 else L_POS):
        s = EXACT.add(EXACT.multiply(s, t), decimal.Decimal(c))
    return s


def round_to(value, places):
    return value.quantize(decimal.Decimal(1).scaleb(-places), rounding=decimal.ROUND_HALF_UP)


def check_l():
    for t, want in L_TABLE_VALUES.items():
        got = round_to(emf_l_exact(t), 3)
        if got != decimal.Decimal(want):
            sys.exit(f"emf_l({t}) = {got}, the standard prints {want}")


def l_text(t):
    return f"{round_to(emf_l_exact(t), 6):f}"


def check_l_file(path):
    """Every row of the written file is the exact value within its rounding."""
    half = decimal.Decimal("0.0000005")
    with open(path, encoding="ascii") as f:
        for line in f:
            t, text = line.split()
            if int(t) < -273:
                return
            if abs(decimal.Decimal(text) - emf_l_exact(t)) > half:
                sys.exit(f"{path}: row {t} is {text}, exact {emf_l_exact(t)}")


# --- Resistance thermometers, R0 = 100 ohm --------------------------------

def cvd(a, b, c):
    """Callendar-Van Dusen: R0(1 + At + Bt^2 [+ C(t-100)t^3 below 0])."""
    def r(t):
        w = 1.0 + a * t + b * t * t
        if t < 0:
            w += c * (t - 100.0) * t ** 3
        return 100.0 * w
    return r


r_pt100 = cvd(3.9083e-3, -5.775e-7, -4.183e-12)   # IEC 60751, alpha 0.00385
r_100p = cvd(3.9690e-3, -5.841e-7, -4.330e-12)    # platinum, alpha 0.00391


def r_100m(t):
    """Copper, alpha 0.00428: linear above 0, the cubic correction below."""
    a, b, c = 4.28e-3, -6.2032e-7, 8.5154e-10
    if t >= 0:
        return 100.0 * (1.0 + a * t)
    return 100.0 * (1.0 + a * t + b * t * (t + 6.7) + c * t ** 3)


def r_n100(t):
    """Nickel, alpha 0.00617; above 100 degC the extra cubic term."""
    a, b, d = 5.4963e-3, 6.7556e-6, 9.2004e-9
    w = 1.0 + a * t + b * t * t
    if t > 100:
        w += d * (t - 100.0) * t * t
    return 100.0 * w


def six(fn):
    """Row text of a float signal function: six decimals."""
    return lambda t: f"{fn(float(t)):.6f}"


# file name, row text of a temperature (int degC), first and last temperature
TABLES = [
    ("XKL.txt", l_text, -200, 800),
    ("XKE.txt", six(emf_e), -270, 1000),
    ("XAK.txt", six(emf_k), -270, 1372),
    ("TJK.txt", six(emf_j), -210, 1200),
    ("PT100.txt", six(r_pt100), -200, 850),
    ("100P.txt", six(r_100p), -200, 850),
    ("100M.txt", six(r_100m), -180, 200),
    ("N100.txt", six(r_n100), -60, 180),
]

# Published table values: (function, degC, value, tolerance).
REFERENCE = [
    (emf_k, 100, 4.096, 0.0006), (emf_k, 500, 20.644, 0.0006),
    (emf_k, 1000, 41.276, 0.0006), (emf_k, -100, -3.554, 0.0006),
    (emf_k, -270, -6.458, 0.0006), (emf_k, 1372, 54.886, 0.0006),
    (emf_j, 100, 5.269, 0.0006), (emf_j, 760, 42.919, 0.0006),
    (emf_j, 1200, 69.553, 0.0006), (emf_j, -210, -8.095, 0.0006),
    (emf_e, 100, 6.319, 0.0006), (emf_e, 1000, 76.373, 0.0006),
    (emf_e, -270, -9.835, 0.0006),
    (r_pt100, 100, 138.51, 0.006), (r_pt100, -100, 60.26, 0.006),
    (r_pt100, 850, 390.48, 0.006), (r_pt100, -200, 18.52, 0.006),
    (r_100p, 100, 139.11, 0.006),
    (r_100m, 100, 142.80, 0.006), (r_100m, 200, 185.60, 0.006),
    (r_n100, 100, 161.72, 0.006),
]


def check_reference():
    for fn, t, want, tol in REFERENCE:
        got = fn(float(t))
        if abs(got - want) > tol:
            sys.exit(f"{fn.__name__}({t}) = {got:.6f}, expected {want} +- {tol}")


def rows(text, first, last):
    """Rows as written (rounded text) - the check must see what the reader sees."""
    return [(t, text(t)) for t in range(first, last + 1)]


def check_rising(name, table):
    prev = None
    for t, text in table:
        value = float(text)
        if prev is not None and not value > prev[1]:
            sys.exit(f"{name}: signal does not rise at {t} degC ({prev[1]} -> {value})")
        prev = (t, value)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 \
        else os.path.dirname(os.path.abspath(__file__))
    check_reference()
    check_l()
    for name, text, first, last in TABLES:
        table = rows(text, first, last)
        check_rising(name, table)
        path = os.path.join(out_dir, name)
        with open(path, "w", encoding="ascii", newline="\n") as f:
            for t, row in table:
                f.write(f"{t} {row}\n")
            f.write("-300 0\n")
        print(f"{name}: {first}..{last} degC, {len(table)} rows")
    check_l_file(os.path.join(out_dir, "XKL.txt"))


if __name__ == "__main__":
    main()
