#!/usr/bin/env python3
"""Writes the chart-file corpus: one small valid file and malformed variants of it."""
import struct

def ss(s):
    b = s.encode('cp1252')
    return bytes([len(b)]) + b

def ext(d):
    # 80-bit extended, enough for the few simple values used here
    import math
    if d == 0:
        return bytes(10)
    m, e = math.frexp(abs(d))
    mant = int(m * (1 << 64))
    exp = e - 1 + 16383
    return struct.pack('<QH', mant, exp | (0x8000 if d < 0 else 0))

def prop(name, value):
    return ss(name) + value

def vstr(s): return b'\x06' + ss(s)
def vident(s): return b'\x07' + ss(s)
def vext(d): return b'\x05' + ext(d)
def vbin(b): return b'\x0a' + struct.pack('<i', len(b)) + b

def data(points, flags=4, count=None):
    out = bytes([flags]) + struct.pack('<i', len(points) if count is None else count)
    for y, label in points:
        out += struct.pack('<d', y) + ss(label)
    return out

def comp(cls, name, props, children=b''):
    return ss(cls) + ss(name) + b''.join(props) + b'\x00' + children + b'\x00'

HEAD = b'\x60\x30\x50\x01TPF0'

def chart(series_props=None, root_props=None, children=None):
    sp = series_props if series_props is not None else [
        prop('Title', vstr('T')), prop('Data', vbin(data([(1.5, 'a'), (-2.0, 'b')])))]
    rp = root_props if root_props is not None else [
        prop('Caption', vstr('Lab')), prop('Percent', vext(2.5)), prop('Frame.Style', vident('psDot'))]
    ch = children if children is not None else comp('TChartSeries', 'Series1', sp)
    return HEAD + comp('TTestChart', '', rp, ch)

files = {
    'valid_small.tee': chart(),
    'bad_type_tag.tee': chart(root_props=[prop('Caption', b'\x63abc')]),
    'bad_huge_string.tee': chart(root_props=[prop('Caption', b'\x0c' + struct.pack('<i', 0x7fffffff) + b'abc')]),
    'bad_huge_binary.tee': chart(series_props=[prop('Data', b'\x0a' + struct.pack('<i', 0x7ffffff0) + b'\x00')]),
    'bad_negative_length.tee': chart(series_props=[prop('Data', b'\x0a' + struct.pack('<i', -5))]),
    'bad_data_count.tee': chart(series_props=[prop('Data', vbin(data([(1, 'a')], count=0x7fffffff)))]),
    'bad_data_negative_count.tee': chart(series_props=[prop('Data', vbin(data([], count=-1)))]),
    'bad_data_flags.tee': chart(series_props=[prop('Data', vbin(data([(1, 'a')], flags=0x84)))]),
    'bad_data_label_overrun.tee': chart(series_props=[prop('Data', vbin(bytes([4]) + struct.pack('<i', 1) + struct.pack('<d', 1) + b'\xff' + b'ab'))]),
    'bad_unknown_property.tee': chart(root_props=[prop('Nonsense', vstr('x'))]),
    'bad_unknown_class.tee': chart(children=comp('TNoSuchSeries', 'S1', [])),
    'bad_enum_identifier.tee': chart(root_props=[prop('Frame.Style', vident('psNoSuch'))]),
    'bad_value_type.tee': chart(root_props=[prop('Percent', vstr('high'))]),
    'bad_property_path.tee': chart(root_props=[prop('Caption.Color', b'\x02\x05')]),
    'bad_empty_class_name.tee': chart(children=comp('', 'S1', [])),
    'bad_set_unterminated.tee': HEAD + ss('TTestChart') + ss('') + ss('TitleStyle') + b'\x0b' + ss('fsBold'),
    'bad_list_nesting.tee': HEAD + ss('TTestChart') + ss('') + ss('Caption') + b'\x01' * 100000,
    'bad_header_version.tee': b'\x60\x30\x51\x01TPF0' + chart()[8:],
    'bad_mark_items_count.tee': chart(series_props=[prop('Marks.Items', vbin(struct.pack('<i', 0x7fffffff) + b'\x01\x00'))]),
    'bad_custom_axis_index.tee': chart(series_props=[prop('CustomVertAxis', b'\x02\x05')]),
}
# Components owning themselves over and over: the reader stops at a fixed depth.
nested = b''
for i in range(500):
    nested = comp('TChartSeries', 'Series1', [], nested)
files['bad_deep_nesting.tee'] = HEAD + comp('TTestChart', '', [], nested)
text = ''.join('  ' * i + 'object Series1: TChartSeries\r\n' for i in range(500)) + ''.join('end\r\n' for _ in range(500))
files['bad_deep_nesting_text.tee'] = ('object TTestChart\r\n' + text + 'end\r\n').encode()
files['bad_text_unterminated_string.tee'] = b"object TTestChart\r\n  Caption = 'open\r\nend\r\n"
files['bad_text_garbage_after_end.tee'] = b"object TTestChart\r\nend\r\nobject X\r\n"
files['bad_text_odd_binary.tee'] = b"object TTestChart\r\n  object S: TChartSeries\r\n    Data = {0A1}\r\n  end\r\nend\r\n"
files['bad_text_huge_number.tee'] = b"object TTestChart\r\n  Percent = 99999999999999999999999\r\nend\r\n"
files['bad_text_char_code.tee'] = b"object TTestChart\r\n  Caption = #55296\r\nend\r\n"

for name, content in files.items():
    with open(name, 'wb') as f:
        f.write(content)
