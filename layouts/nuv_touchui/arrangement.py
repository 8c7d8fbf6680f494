"""Rows of keys as numbers: how a row too long for the screen is cut and
how the keys of several lines share rows of one length. No widget here:
the keyboard dialog lays its keys out by these."""


def row_lengths(length, across):
    """Lengths of the rows `length` keys take at most `across` to a row,
    as even as can be (longer rows first)."""
    count = max(-(-length // max(across, 1)), 1)
    base, longer = divmod(length, count)
    return [base + 1] * longer + [base] * (count - longer)


def cut(items, lengths):
    """`items` (a sequence) cut into pieces of these lengths."""
    pieces, start = [], 0
    for length in lengths:
        pieces.append(items[start:start + length])
        start += length
    return pieces


def pack_rows(lines, across):
    """Rows of `across` keys holding the keys of each line in order, a line
    too long for one row over several; each key stretched alike so that its
    row is `across` long.

    `lines`: lists of (key, least length in keys). Returns the rows as
    lists of (key, length in keys).
    """
    rows = []
    for line in lines:
        row = []
        for key, least in line:
            if row and sum(units for _key, units in row) + least > across:
                rows.append(row)
                row = []
            row.append((key, least))
        if row:
            rows.append(row)
    return [[(key, units + (across - sum(u for _k, u in row)) / len(row))
             for key, units in row] for row in rows]


def narrow_across(room, pitch, own_width, letter_rows, top_rows):
    """Keys across a row of a keyboard `room` pixels wide whose keys take
    `pitch` pixels at the narrowest it likes, where its own rows
    (`own_width` keys) do not fit; None where they do. Each letter row
    stays whole whatever that asks of the keys' width (lengths
    `letter_rows`); the rows above them (lengths `top_rows`) are cut into
    rows as even as can be."""
    across = room // max(pitch, 1)
    if across >= own_width:
        return None
    across = max(across, max(letter_rows))
    # No wider than the longest row needs: wider keys.
    return max([max(letter_rows)] + [row_lengths(length, across)[0] for length in top_rows])
