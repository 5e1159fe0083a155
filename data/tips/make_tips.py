#!/usr/bin/env python3
"""Builds the tip lines 401-1000 of the three message catalogues.

Writes Tips.E, Tips.J and Tips.C (600 lines each, "n text") and EntryNames.E.txt
into the folder of this script. The entry meanings, names and units live in the
tables below; a family's tip block is assembled from a description line, a range
line and a line telling when a change takes effect.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
LANGS = ('E', 'J', 'C')
FAMILIES = ('DX', 'FX', 'BX')
MAX_BYTES = 253
PLACEHOLDER = '-'

# First tip line of entry 0 of each group; every entry owns three lines.
TIP_BASE = {
    'DX': {'sys': 401, 'spd': 461, 'trq': 541, 'pos': 565},
    'FX': {'sys': 601, 'spd': 661, 'trq': 741, 'pos': 766},
    'BX': {'sys': 801, 'spd': 861, 'trq': 941, 'pos': 965},
}
# FX position entries that do not follow the base rule.
TIP_EXCEPTIONS = {('FX', 'pos', 12): 658, ('FX', 'pos', 13): 721}

# Line 801 is both the last line of FX position entry 11 and the first line of
# BX system entry 0, so it carries a hint that reads well in either block.
SHARED_LINE = 801
SHARED_HINT = {
    'E': 'Tip: double-click the value to set the minimum; the value is written when you leave the field.',
    'J': 'ヒント：値をダブルクリックすると最小値になります。入力欄を離れると書き込まれます。',
    'C': '提示：双击数值即设为最小值，离开输入框时写入。',
}

UNIT_MSG = {'V': 301, 'mV': 301, '%': 302, 'pulse': 303, 'r/min': 305, None: 306, 'ms': 307,
            'r/min/10V': 309, 'W': 311, 'kpulse': 312, '%/10V': 313}
UNIT_TEXT = {
    'E': {'pulse': 'pulses'},
    'J': {'pulse': 'パルス'},
    'C': {'pulse': '脉冲'},
}

# Name message of each entry, as the parameter windows number them.
def name_message(group, index):
    if group == 'pos':
        return {12: 285, 13: 254}.get(index, 289 + index)
    return {'sys': 264, 'spd': 234, 'trq': 174}[group] + index


# FX-group entries that exist only for some versions or members.
FX_CONDITION = {('sys', 18): 'FX: KQRV, LQRV and YZ from FxVersion 33 only',
                ('spd', 13): 'FX from FxVersion 27', ('spd', 15): 'FX before FxVersion 27',
                ('spd', 20): 'FX from FxVersion 32', ('spd', 21): 'FX from FxVersion 31',
                ('pos', 12): 'FX from FxVersion 31', ('pos', 13): 'FX from FxVersion 32'}

GROUP_WORD = {'sys': 'system', 'spd': 'speed', 'trq': 'torque', 'pos': 'position'}
WINDOW = {
    'E': {'sys': 'System window', 'spd': 'Speed window', 'trq': 'Torque window', 'pos': 'Position window'},
    'J': {'sys': 'システムパラメータ', 'spd': '速度パラメータ', 'trq': 'トルクパラメータ', 'pos': '位置パラメータ'},
    'C': {'sys': '系统参数', 'spd': '速度参数', 'trq': '转矩参数', 'pos': '位置参数'},
}

EFFECT = {
    'now': {'E': 'Takes effect at once when you leave the field.',
            'J': '入力欄を離れるとすぐに有効になります。',
            'C': '离开输入框即写入，立即生效。'},
    'servo': {'E': 'Takes effect at the next servo on; change it while the servo is off.',
              'J': 'サーボオフ中に変更し、次のサーボオンから有効です。',
              'C': '下次伺服ON时生效，请在伺服OFF状态下修改。'},
    'power': {'E': 'Takes effect after the amplifier is switched off and on again.',
              'J': 'アンプの電源を入れ直すと有効になります。',
              'C': '放大器重新上电后生效。'},
    'servooff': {'E': 'Written at once; used from the next servo off.',
                 'J': 'すぐに書き込まれ、次のサーボオフから使われます。',
                 'C': '立即写入，从下次伺服OFF起使用。'},
}
BX_KEPT = {'E': 'Also saved in the EEPROM, so it is kept at power-off.',
           'J': 'EEPROMにも保存され、電源オフ後も保持されます。',
           'C': '同时保存到EEPROM，断电后仍保持。'}

# Entry names: (group, entry) -> {lang: name}.
NAMES = {
    ('sys', 0): ('Control mode', '制御モード', '控制模式'),
    ('sys', 1): ('Brake delay', 'ブレーキ遅延時間', '制动器延迟时间'),
    ('sys', 2): ('Rotation direction', '回転方向', '旋转方向'),
    ('sys', 3): ('Station number', '局番', '站号'),
    ('sys', 4): ('Analog monitor output', 'アナログモニタ出力', '模拟监视输出'),
    ('sys', 5): ('Speed limit', '速度制限', '速度限制'),
    ('sys', 6): ('Overtravel inputs', 'オーバートラベル入力', '超程输入'),
    ('sys', 7): ('Torque limit source', 'トルク制限の選択', '转矩限制来源'),
    ('sys', 8): ('Forward torque limit', '正転トルク制限', '正转转矩限制'),
    ('sys', 9): ('Reverse torque limit', '逆転トルク制限', '反转转矩限制'),
    ('sys', 10): ('Overload warning level', '過負荷警告レベル', '过载警告值'),
    ('sys', 11): ('Dynamic brake at servo off', 'サーボオフ時ダイナミックブレーキ', '伺服OFF时动态制动'),
    ('sys', 12): ('Input filter', '入力フィルタ', '输入滤波'),
    ('sys', 16): ('Regeneration resistor power', '回生抵抗容量', '再生电阻功率'),
    ('sys', 17): ('Overtravel stop method', 'オーバートラベル時停止方法', '超程停止方式'),
    ('sys', 18): ('Absolute encoder', 'アブソリュートエンコーダ', '绝对值编码器'),
    ('spd', 0): ('Internal speed 1 (jog)', '内部速度1（ジョグ）', '内部速度1（点动）'),
    ('spd', 1): ('Internal speed 2', '内部速度2', '内部速度2'),
    ('spd', 2): ('Internal speed 3', '内部速度3', '内部速度3'),
    ('spd', 3): ('Zero clamp', 'ゼロクランプ', '零位箝位'),
    ('spd', 4): ('Speed command source', '速度指令の選択', '速度指令来源'),
    ('spd', 5): ('Jog acceleration time', 'ジョグ加減速時間', '点动加减速时间'),
    ('spd', 6): ('Acceleration time', '加速時間', '加速时间'),
    ('spd', 7): ('Deceleration time', '減速時間', '减速时间'),
    ('spd', 8): ('Speed reached level', '速度到達レベル', '速度到达值'),
    ('spd', 9): ('Speed agreement width', '速度一致幅', '速度一致幅度'),
    ('spd', 10): ('Speed loop gain', '速度ループゲイン', '速度环增益'),
    ('spd', 11): ('Speed loop integral time', '速度ループ積分時間', '速度环积分时间'),
    ('spd', 12): ('Zero speed level', 'ゼロ速度レベル', '零速度值'),
    ('spd', 13): ('Speed command gain', '速度指令ゲイン', '速度指令增益'),
    ('spd', 14): ('Speed command offset', '速度指令オフセット', '速度指令偏置'),
    ('spd', 15): ('Speed command voltage', '速度指令電圧', '速度指令电压'),
    ('spd', 16): ('Speed zero adjustment', '速度ゼロ調整', '速度零点调整'),
    ('spd', 17): ('Soft start', 'ソフトスタート', '软启动'),
    ('spd', 20): ('Load inertia ratio', '負荷慣性モーメント比', '负载惯量比'),
    ('spd', 21): ('S-curve time', 'S字時間', 'S曲线时间'),
    ('trq', 0): ('Torque ramp time', 'トルク立上り時間', '转矩上升时间'),
    ('trq', 1): ('Torque command gain', 'トルク指令ゲイン', '转矩指令增益'),
    ('trq', 2): ('Torque command offset', 'トルク指令オフセット', '转矩指令偏置'),
    ('trq', 3): ('Torque-mode speed limit 1', 'トルク制御時速度制限1', '转矩控制速度限制1'),
    ('trq', 4): ('Torque-mode speed limit 2', 'トルク制御時速度制限2', '转矩控制速度限制2'),
    ('trq', 5): ('Torque-mode speed limit 3', 'トルク制御時速度制限3', '转矩控制速度限制3'),
    ('pos', 0): ('Pulse input form', 'パルス入力形態', '脉冲输入形式'),
    ('pos', 1): ('Electronic gear numerator', '電子ギア分子', '电子齿轮分子'),
    ('pos', 2): ('Electronic gear denominator', '電子ギア分母', '电子齿轮分母'),
    ('pos', 3): ('In-position width', '位置決め完了幅', '定位完成幅度'),
    ('pos', 4): ('Forward software limit', '正転ソフトリミット', '正转软限位'),
    ('pos', 5): ('Reverse software limit', '逆転ソフトリミット', '反转软限位'),
    ('pos', 6): ('Position loop gain', '位置ループゲイン', '位置环增益'),
    ('pos', 7): ('Feed-forward gain', 'フィードフォワードゲイン', '前馈增益'),
    ('pos', 8): ('Position command filter', '位置指令フィルタ', '位置指令滤波'),
    ('pos', 9): ('Error clear mode', '偏差クリア方式', '偏差清除方式'),
    ('pos', 10): ('Speed loop gain', '速度ループゲイン', '速度环增益'),
    ('pos', 11): ('Speed loop integral time', '速度ループ積分時間', '速度环积分时间'),
    ('pos', 12): ('Encoder output ratio', 'エンコーダ出力分周', '编码器输出分频'),
    ('pos', 13): ('Load inertia ratio', '負荷慣性モーメント比', '负载惯量比'),
}


def name(lang, group, entry):
    return NAMES[(group, entry)][LANGS.index(lang)]


def join_names(lang, refs):
    names = [name(lang, g, e) for g, e in refs]
    if lang == 'E':
        return names[0] if len(names) == 1 else ', '.join(names[:-1]) + ' and ' + names[-1]
    return ('・' if lang == 'J' else '、').join(names)


def table_no(lang, pn):
    return {'E': f'Parameter table {pn}.', 'J': f'パラメータ表{pn}。', 'C': f'参数表{pn}。'}[lang]


def field_of_word(lang, pn, bits, refs):
    """Note for an FX entry that is one 4-bit field of a word shared with others."""
    others = join_names(lang, refs)
    return {
        'E': f'Parameter table {pn}: bits {bits} of a word shared with {others}; only this field is written.',
        'J': f'パラメータ表{pn}（{others}と共有する語のビット{bits}）。',
        'C': f'参数表{pn}：与{others}共用一个字的位{bits}，只写入该部分。',
    }[lang]


def from_version(lang, version):
    return {'E': f'Only from FX version {version}.',
            'J': f'FXバージョン{version}以降のみ。',
            'C': f'仅限FX版本{version}及以后。'}[lang]


def same_setting(lang, group, entry, window_group):
    """Note for an entry shown in two windows."""
    n = name(lang, group, entry)
    w = WINDOW[lang][window_group]
    return {'E': f'Same setting as {n} in the {w}.',
            'J': f'{w}の{n}と同じ設定です。',
            'C': f'与{w}中的{n}为同一设定。'}[lang]


def same_word(lang, group, entry, window_group, extra):
    n = name(lang, group, entry)
    w = WINDOW[lang][window_group]
    return {'E': f'Same amplifier word as {n} in the {w}{extra["E"]}',
            'J': f'{w}の{n}と同じ語です{extra["J"]}',
            'C': f'与{w}中的{n}为同一个字{extra["C"]}'}[lang]


def tr(e, j, c):
    return {'E': e, 'J': j, 'C': c}


def per_family(**kwargs):
    """{lang: {family: text}} from keyword arguments E=..., J=..., C=... each a dict or text."""
    out = {}
    for lang in LANGS:
        value = kwargs[lang]
        out[lang] = value if isinstance(value, dict) else {f: value for f in FAMILIES}
    return out


ENTRIES = []


def entry(group, index, limits, unit, effect, desc, codes=None, notes=None, short=None):
    """limits: {family: (min, max)} for the families where the entry is enabled.
    unit: unit key, or {family: unit key}. codes/notes: {lang: {family: text}}."""
    ENTRIES.append(dict(group=group, index=index, limits=limits, unit=unit, effect=effect,
                        desc=desc, codes=codes or {}, notes=notes or {}, short=short or {}))


def both(text_e, text_j, text_c, families=FAMILIES):
    return {'E': {f: text_e for f in families}, 'J': {f: text_j for f in families},
            'C': {f: text_c for f in families}}


def merge(*parts):
    out = {lang: {} for lang in LANGS}
    for part in parts:
        for lang in LANGS:
            for fam, text in part[lang].items():
                out[lang][fam] = (out[lang][fam] + (' ' if lang == 'E' else '') + text
                                  if fam in out[lang] else text)
    return out


def fx(fn):
    """A note only for the FX group, built per language by fn(lang)."""
    return {lang: {'FX': fn(lang)} for lang in LANGS}


def bx(fn):
    return {lang: {'BX': fn(lang)} for lang in LANGS}


ALL3 = ('DX', 'FX', 'BX')

# ---------------------------------------------------------------- system group
entry('sys', 0, {'DX': ('0', '2'), 'FX': ('0', '5'), 'BX': ('0', '5')}, None, 'servo',
      tr('Control mode: selects what the amplifier controls - position, speed or torque - or a pair of them switched by the mode-select input.',
         '制御モード：アンプが制御する対象（位置・速度・トルク）を選びます。組合せのモードはモード切替入力で切り替えます。',
         '控制模式：选择放大器控制的对象（位置、速度或转矩），组合模式由模式切换输入进行切换。'),
      codes=per_family(
          E={'DX': '0 = position, 1 = torque, 2 = speed',
             'FX': '0 = position, 1 = torque, 2 = speed, 3 = position/speed, 4 = position/torque, 5 = speed/torque',
             'BX': '0 = speed, 1 = position, 2 = torque, 3 = position/speed, 4 = position/torque, 5 = speed/torque'},
          J={'DX': '0=位置、1=トルク、2=速度',
             'FX': '0=位置、1=トルク、2=速度、3=位置/速度、4=位置/トルク、5=速度/トルク',
             'BX': '0=速度、1=位置、2=トルク、3=位置/速度、4=位置/トルク、5=速度/トルク'},
          C={'DX': '0=位置，1=转矩，2=速度',
             'FX': '0=位置，1=转矩，2=速度，3=位置/速度，4=位置/转矩，5=速度/转矩',
             'BX': '0=速度，1=位置，2=转矩，3=位置/速度，4=位置/转矩，5=速度/转矩'}),
      notes=fx(lambda l: field_of_word(l, 'Pn10-1', '0-3', [('pos', 0), ('sys', 2)])),
      short=tr('Control mode: selects what the amplifier controls.',
               '制御モード：アンプが制御する対象を選びます。',
               '控制模式：选择放大器控制的对象。'))

entry('sys', 1, {f: ('-2000', '2000') for f in ALL3}, 'ms', 'servooff',
      tr('Brake delay: timing between the holding-brake output and switching off the motor current at servo off.',
         'ブレーキ遅延時間：サーボオフ時の保持ブレーキ出力とモータ電流遮断のタイミングを決めます。',
         '制动器延迟时间：决定伺服OFF时保持制动器输出与电机电流切断之间的时序。'),
      codes=both('a positive value keeps the current on this long after the brake is applied; a negative value applies the brake this long after the current is off',
                 '正の値はブレーキ動作後この時間だけ電流を保ち、負の値は電流遮断からこの時間後にブレーキをかけます',
                 '正值：制动器动作后电流再保持该时间；负值：电流切断后经过该时间制动器才动作'),
      notes=fx(lambda l: table_no(l, 'Pn32')))

entry('sys', 2, {'DX': ('0', '7'), 'FX': ('0', '1'), 'BX': ('0', '3')}, None, 'power',
      tr('Rotation direction: sets which way the motor turns for a positive command, seen from the shaft end.',
         '回転方向：正の指令でモータが回る向きを決めます（軸端から見た向き）。',
         '旋转方向：设定正指令时电机的旋转方向（从轴端看）。'),
      codes=per_family(
          E={'DX': 'the sum of 1 = clockwise (else counter-clockwise), 2 = encoder pulse output reversed, 4 = analog monitor polarity reversed',
             'FX': '0 = counter-clockwise (CCW), 1 = clockwise (CW)',
             'BX': '0 = counter-clockwise (CCW), 1 = clockwise (CW); 2 and 3 turn the same ways with the encoder pulse output reversed'},
          J={'DX': '1=時計回り（無しは反時計回り）、2=エンコーダパルス出力反転、4=アナログモニタ極性反転を足した値',
             'FX': '0=反時計回り(CCW)、1=時計回り(CW)',
             'BX': '0=反時計回り(CCW)、1=時計回り(CW)、2と3は同じ向きでエンコーダパルス出力を反転'},
          C={'DX': '以下数值之和：1=顺时针（不加则为逆时针），2=反转编码器脉冲输出，4=反转模拟监视极性',
             'FX': '0=逆时针(CCW)，1=顺时针(CW)',
             'BX': '0=逆时针(CCW)，1=顺时针(CW)；2和3分别为相同方向并反转编码器脉冲输出'}),
      notes=merge(fx(lambda l: field_of_word(l, 'Pn10-3', '8-11', [('sys', 0), ('pos', 0)])),
                  bx(lambda l: tr('Kept in bits 0 and 8 of its word; the other bits stay as they are.',
                                  '語のビット0と8に記憶され、他のビットは変わりません。',
                                  '存于该字的位0和位8，其他位保持不变。')[l])))

entry('sys', 3, {'DX': ('1', '63'), 'FX': ('1', '16'), 'BX': ('1', '63')}, None, 'power',
      tr('Station number: the number of this amplifier on a shared (multi-drop) serial line; every amplifier on one line needs its own number.',
         '局番：複数のアンプを1本のシリアル回線につなぐときのこのアンプの番号です。同じ回線のアンプには別々の番号を付けます。',
         '站号：多台放大器共用一条串行线路时本放大器的编号，同一线路上的放大器编号须各不相同。'),
      notes=fx(lambda l: table_no(l, 'Pn00')))

entry('sys', 4, {'DX': ('0', '4'), 'BX': ('0', '4')}, None, 'now',
      tr('Analog monitor output: selects the quantity sent to the analog monitor terminal, for a meter or an oscilloscope.',
         'アナログモニタ出力：アナログモニタ端子に出す量を選びます（メータやオシロスコープ用）。',
         '模拟监视输出：选择输出到模拟监视端子的量（用于仪表或示波器）。'),
      codes=both('0 = motor speed, 1 = torque, 2 = position error, 3 = speed command, 4 = torque command',
                 '0=モータ速度、1=トルク、2=位置偏差、3=速度指令、4=トルク指令',
                 '0=电机速度，1=转矩，2=位置偏差，3=速度指令，4=转矩指令'))

entry('sys', 5, {f: ('0', '3000') for f in ALL3}, 'r/min', 'now',
      tr('Speed limit: the highest motor speed allowed in every control mode; faster commands are held to this speed.',
         '速度制限：すべての制御モードで許すモータの最高速度です。これを超える指令はこの速度に抑えられます。',
         '速度限制：各控制模式下允许的电机最高速度，超过的指令被限制在此速度。'),
      notes=fx(lambda l: table_no(l, 'Pn08')))

entry('sys', 6, {f: ('0', '1') for f in ALL3}, None, 'now',
      tr('Overtravel inputs: decides whether the forward and reverse overtravel (limit switch) inputs are used.',
         'オーバートラベル入力：正転・逆転オーバートラベル（リミットスイッチ）入力を使うかどうかを決めます。',
         '超程输入：决定是否使用正转、反转超程（限位开关）输入。'),
      codes=both('0 = used (an open limit input stops the motor in that direction), 1 = ignored',
                 '0=使用（リミット入力が開くとその方向の運転を止める）、1=無視',
                 '0=使用（限位输入断开时停止该方向的运行），1=忽略'),
      notes=merge(fx(lambda l: field_of_word(l, 'Pn11-1', '0-3', [('sys', 18), ('sys', 17), ('sys', 11)])),
                  bx(lambda l: tr(f'Bit 1 of the word it shares with {name("E", "sys", 11)} (bit 0).',
                                  f'{name("J", "sys", 11)}（ビット0）と共有する語のビット1です。',
                                  f'与{name("C", "sys", 11)}（位0）共用一个字，占位1。')[l])))

entry('sys', 7, {'DX': ('0', '1'), 'FX': ('0', '1'), 'BX': ('0', '3')}, None, 'now',
      tr('Torque limit source: selects where the torque limit of the motor comes from.',
         'トルク制限の選択：モータのトルク制限値をどこから得るかを選びます。',
         '转矩限制来源：选择电机转矩限制值的来源。'),
      codes=per_family(
          E={'DX': '0 = the Forward and Reverse torque limit settings, 1 = the analog torque-limit input',
             'FX': '0 = the Forward and Reverse torque limit settings, 1 = the analog torque-limit input',
             'BX': '0 = the Forward and Reverse torque limit settings, 1 = the analog torque-limit input, 2 = the lower of both, 3 = the settings only while the torque-limit input is on'},
          J={'DX': '0=正転/逆転トルク制限の設定値、1=アナログトルク制限入力',
             'FX': '0=正転/逆転トルク制限の設定値、1=アナログトルク制限入力',
             'BX': '0=正転/逆転トルク制限の設定値、1=アナログトルク制限入力、2=両者の小さい方、3=トルク制限入力オンの間だけ設定値'},
          C={'DX': '0=正转/反转转矩限制的设定值，1=模拟转矩限制输入',
             'FX': '0=正转/反转转矩限制的设定值，1=模拟转矩限制输入',
             'BX': '0=正转/反转转矩限制的设定值，1=模拟转矩限制输入，2=两者中较小者，3=仅在转矩限制输入ON期间使用设定值'}),
      notes=fx(lambda l: field_of_word(l, 'Pn12-3', '8-11', [('spd', 4), ('spd', 3), ('spd', 17)])))

entry('sys', 8, {f: ('0', '300') for f in ALL3}, '%', 'now',
      tr('Forward torque limit: the largest torque the motor may give in the forward direction, in % of rated torque.',
         '正転トルク制限：正転方向にモータが出せる最大トルクで、定格トルクに対する%です。',
         '正转转矩限制：电机在正转方向可输出的最大转矩，以额定转矩的%表示。'),
      notes=fx(lambda l: table_no(l, 'Pn05')))

entry('sys', 9, {'DX': ('-300', '0'), 'FX': ('0', '300'), 'BX': ('-300', '0')}, '%', 'now',
      tr('Reverse torque limit: the largest torque the motor may give in the reverse direction, in % of rated torque.',
         '逆転トルク制限：逆転方向にモータが出せる最大トルクで、定格トルクに対する%です。',
         '反转转矩限制：电机在反转方向可输出的最大转矩，以额定转矩的%表示。'),
      codes=per_family(E={'DX': 'entered as a negative number', 'BX': 'entered as a negative number',
                          'FX': 'entered without a sign'},
                       J={'DX': '負の値で入力します', 'BX': '負の値で入力します', 'FX': '符号を付けずに入力します'},
                       C={'DX': '以负数输入', 'BX': '以负数输入', 'FX': '以不带符号的数值输入'}),
      notes=fx(lambda l: table_no(l, 'Pn06')))

entry('sys', 10, {'DX': ('0.0', '100.0'), 'BX': ('0.0', '100.0')}, '%', 'now',
      tr('Overload warning level: the overload warning output turns on when the motor load reaches this share of the overload alarm level.',
         '過負荷警告レベル：モータの負荷率が過負荷アラームレベルのこの割合に達すると過負荷警告出力がオンになります。',
         '过载警告值：电机负载率达到过载报警值的该比例时，过载警告输出变为ON。'),
      codes=both('in steps of 0.1 %', '0.1%単位', '以0.1%为单位', ('DX', 'BX')))

entry('sys', 11, {f: ('0', '1') for f in ALL3}, None, 'servooff',
      tr('Dynamic brake at servo off: how the motor stops when the servo is switched off.',
         'サーボオフ時ダイナミックブレーキ：サーボオフしたときのモータの止まり方を決めます。',
         '伺服OFF时动态制动：决定伺服OFF时电机的停止方式。'),
      codes=both('0 = the motor coasts to a stop, 1 = the dynamic brake stops it',
                 '0=フリーランで停止、1=ダイナミックブレーキで停止',
                 '0=自由滑行停止，1=动态制动停止'),
      notes=merge(fx(lambda l: field_of_word(l, 'Pn11-4', '12-15', [('sys', 6), ('sys', 18), ('sys', 17)])),
                  bx(lambda l: tr(f'Bit 0 of the word it shares with {name("E", "sys", 6)} (bit 1).',
                                  f'{name("J", "sys", 6)}（ビット1）と共有する語のビット0です。',
                                  f'与{name("C", "sys", 6)}（位1）共用一个字，占位0。')[l])))

entry('sys', 12, {'DX': ('0', '15'), 'BX': ('0', '15')}, None, 'now',
      tr('Input filter: an input signal must stay unchanged for this many 1 ms samples before the amplifier accepts the change.',
         '入力フィルタ：入力信号がこの回数（1ms周期）続けて変わらないときに、アンプがその変化を受け付けます。',
         '输入滤波：输入信号须连续该次数（1ms周期）保持不变，放大器才接受其变化。'),
      codes=both('0 = no filtering', '0=フィルタなし', '0=不滤波', ('DX', 'BX')))

entry('sys', 16, {'FX': ('0', '250')}, 'W', 'power',
      tr('Regeneration resistor power: rated power of the external regeneration resistor, used for its overload protection.',
         '回生抵抗容量：外付け回生抵抗の定格容量です。回生抵抗の過負荷保護に使います。',
         '再生电阻功率：外接再生电阻的额定功率，用于其过载保护。'),
      codes=both('0 = no external resistor (built-in resistor only)', '0=外付けなし（内蔵抵抗のみ）',
                 '0=无外接电阻（仅用内置电阻）', ('FX',)),
      notes=fx(lambda l: table_no(l, 'Pn40')))

entry('sys', 17, {'FX': ('0', '3')}, None, 'now',
      tr('Overtravel stop method: how the motor stops when an overtravel input opens.',
         'オーバートラベル時停止方法：オーバートラベル入力が開いたときのモータの止め方です。',
         '超程停止方式：超程输入断开时电机的停止方法。'),
      codes=both('0 = dynamic brake, 1 = coast, 2 = decelerate at maximum torque and hold the position, 3 = decelerate at maximum torque, then coast',
                 '0=ダイナミックブレーキ、1=フリーラン、2=最大トルクで減速し位置を保持、3=最大トルクで減速後フリーラン',
                 '0=动态制动，1=自由滑行，2=以最大转矩减速并保持位置，3=以最大转矩减速后自由滑行', ('FX',)),
      notes=fx(lambda l: field_of_word(l, 'Pn11-3', '8-11', [('sys', 6), ('sys', 18), ('sys', 11)])))

entry('sys', 18, {'FX': ('0', '1')}, None, 'power',
      tr('Absolute encoder: decides whether the encoder keeps the absolute position while the power is off (battery backup).',
         'アブソリュートエンコーダ：電源オフ中もエンコーダが絶対位置を保持するか（バッテリバックアップ）を決めます。',
         '绝对值编码器：决定断电期间编码器是否保持绝对位置（电池备份）。'),
      codes=both('0 = used as an incremental encoder, 1 = absolute position kept; only on KQRV, LQRV and YZ amplifiers from FX version 33',
                 '0=インクリメンタルとして使用、1=絶対位置を保持。KQRV・LQRV・YZのFXバージョン33以降のみ',
                 '0=作为增量式使用，1=保持绝对位置。仅限KQRV、LQRV、YZ的FX版本33及以后', ('FX',)),
      notes=fx(lambda l: field_of_word(l, 'Pn11-2', '4-7', [('sys', 6), ('sys', 17), ('sys', 11)])))

# ----------------------------------------------------------------- speed group
entry('spd', 0, {f: ('-3000', '3000') for f in ALL3}, 'r/min', 'now',
      tr('Internal speed 1 (jog): first preset speed, chosen by the speed-select inputs when internal speeds are in use; jog operation also runs at this speed.',
         '内部速度1（ジョグ）：内部速度を使うとき速度選択入力で選ぶ1番目の設定速度です。ジョグ運転もこの速度で動きます。',
         '内部速度1（点动）：使用内部速度时由速度选择输入选择的第1个设定速度，点动运行也以此速度进行。'),
      codes=both('the sign gives the direction', '符号が回転方向を表します', '符号表示旋转方向'),
      notes=merge(fx(lambda l: table_no(l, 'Pn29')),
                  bx(lambda l: same_word(l, 'trq', 3, 'trq', tr(
                      '. The Jog window runs at its own speed and restores this value at Stop.',
                      '。ジョグ画面は運転中だけ速度を変え、停止時にこの値に戻します。',
                      '。点动画面运行时临时改变速度，停止时恢复此值。')))))

for _i, (_pn, _nth_e, _nth_j, _nth_c) in enumerate((('Pn30', 'second', '2', '2'), ('Pn31', 'third', '3', '3')), start=1):
    entry('spd', _i, {f: ('-3000', '3000') for f in ALL3}, 'r/min', 'now',
          tr(f'Internal speed {_i + 1}: {_nth_e} preset speed, chosen by the speed-select inputs when internal speeds are in use.',
             f'内部速度{_i + 1}：内部速度を使うとき速度選択入力で選ぶ{_nth_j}番目の設定速度です。',
             f'内部速度{_i + 1}：使用内部速度时由速度选择输入选择的第{_nth_c}个设定速度。'),
          codes=both('the sign gives the direction', '符号が回転方向を表します', '符号表示旋转方向'),
          notes=merge(fx(lambda l, pn=_pn: table_no(l, pn)),
                      bx(lambda l, t=3 + _i: same_word(l, 'trq', t, 'trq', tr('.', '。', '。')))))

entry('spd', 3, {f: ('0', '1') for f in ALL3}, None, 'now',
      tr('Zero clamp: holds the motor at standstill while the zero-clamp input is on and the speed command is below the Zero speed level.',
         'ゼロクランプ：ゼロクランプ入力がオンで速度指令がゼロ速度レベル未満のとき、モータを停止位置に保持します。',
         '零位箝位：零位箝位输入为ON且速度指令低于零速度值时，将电机保持在停止位置。'),
      codes=both('0 = off, 1 = on', '0=無効、1=有効', '0=无效，1=有效'),
      notes=fx(lambda l: field_of_word(l, 'Pn12-2', '4-7', [('spd', 4), ('sys', 7), ('spd', 17)])))

entry('spd', 4, {'DX': ('0', '2'), 'FX': ('0', '1'), 'BX': ('0', '3')}, None, 'servo',
      tr('Speed command source: selects where the speed command comes from in speed control.',
         '速度指令の選択：速度制御での速度指令をどこから得るかを選びます。',
         '速度指令来源：选择速度控制时速度指令的来源。'),
      codes=per_family(
          E={'DX': '0 = analog speed input, 1 = internal speeds 1 to 3, 2 = internal speeds while a speed-select input is on, else analog',
             'FX': '0 = analog speed input, 1 = internal speeds 1 to 3; FX version 30 and later also take 2 = internal speeds while a speed-select input is on, else analog, 3 = serial line, 4 = pulse frequency',
             'BX': '0 = analog speed input, 1 = internal speeds 1 to 3, 2 = internal speeds while a speed-select input is on, else analog, 3 = serial line (set by the host)'},
          J={'DX': '0=アナログ速度入力、1=内部速度1～3、2=速度選択入力オンの間は内部速度・それ以外はアナログ',
             'FX': '0=アナログ速度入力、1=内部速度1～3。FXバージョン30以降は更に2=速度選択入力オン中は内部速度、3=シリアル回線、4=パルス周波数',
             'BX': '0=アナログ速度入力、1=内部速度1～3、2=速度選択入力オンの間は内部速度・それ以外はアナログ、3=シリアル回線（上位機器が設定）'},
          C={'DX': '0=模拟速度输入，1=内部速度1～3，2=速度选择输入ON期间用内部速度、其余用模拟',
             'FX': '0=模拟速度输入，1=内部速度1～3；FX版本30及以后还可设2=速度选择输入ON期间用内部速度，3=串行线路，4=脉冲频率',
             'BX': '0=模拟速度输入，1=内部速度1～3，2=速度选择输入ON期间用内部速度、其余用模拟，3=串行线路（由上位机设定）'}),
      notes=fx(lambda l: field_of_word(l, 'Pn12-1', '0-3', [('spd', 3), ('sys', 7), ('spd', 17)])))

entry('spd', 5, {'DX': ('1', '9999'), 'BX': ('1', '10000')}, 'ms', 'now',
      tr('Jog acceleration time: time for jog operation to accelerate from standstill to 1000 r/min; stopping uses the same time.',
         'ジョグ加減速時間：ジョグ運転で停止から1000r/minまで加速する時間です。停止時も同じ時間で減速します。',
         '点动加减速时间：点动运行时从停止加速到1000r/min所需的时间，停止时也以相同时间减速。'))

entry('spd', 6, {'DX': ('1', '9999'), 'FX': ('20', '10000'), 'BX': ('1', '50000')}, 'ms', 'now',
      tr('Acceleration time: time for the speed command to rise from 0 to 1000 r/min in speed control.',
         '加速時間：速度制御で速度指令が0から1000r/minまで上がる時間です。',
         '加速时间：速度控制中速度指令从0上升到1000r/min所需的时间。'),
      codes=per_family(E={'DX': 'the same time is used for deceleration', 'FX': 'the same time is used for deceleration',
                          'BX': 'deceleration has its own setting, Deceleration time'},
                       J={'DX': '減速にも同じ時間を使います', 'FX': '減速にも同じ時間を使います',
                          'BX': '減速は減速時間で別に設定します'},
                       C={'DX': '减速也使用相同时间', 'FX': '减速也使用相同时间', 'BX': '减速由减速时间另行设定'}),
      notes=fx(lambda l: tr(f'Used while {name("E", "spd", 17)} is on. ',
                            f'{name("J", "spd", 17)}が有効のとき使われます。',
                            f'在{name("C", "spd", 17)}有效时使用。')[l] + table_no(l, 'Pn28')))

entry('spd', 7, {'BX': ('1', '50000')}, 'ms', 'now',
      tr('Deceleration time: time for the speed command to fall from 1000 r/min to 0 in speed control.',
         '減速時間：速度制御で速度指令が1000r/minから0まで下がる時間です。',
         '减速时间：速度控制中速度指令从1000r/min下降到0所需的时间。'))

entry('spd', 8, {'BX': ('0', '3000')}, 'r/min', 'now',
      tr('Speed reached level: the speed-reached output turns on when the motor speed exceeds this value.',
         '速度到達レベル：モータ速度がこの値を超えると速度到達出力がオンになります。',
         '速度到达值：电机速度超过此值时，速度到达输出变为ON。'))

entry('spd', 9, {'BX': ('0', '3000')}, 'r/min', 'now',
      tr('Speed agreement width: the speed-agreement output is on while the motor speed differs from the command by less than this value.',
         '速度一致幅：モータ速度と速度指令の差がこの値より小さい間、速度一致出力がオンになります。',
         '速度一致幅度：电机速度与速度指令之差小于此值期间，速度一致输出为ON。'))

GAIN_LIMITS = {'DX': ('10', '1000'), 'FX': ('16', '500'), 'BX': ('10', '1000')}
GAIN_DESC = tr('Speed loop gain: proportional gain of the speed loop. Higher gives a stiffer, faster response; too high makes the motor vibrate.',
               '速度ループゲイン：速度ループの比例ゲインです。大きいほど応答が速く硬くなりますが、大きすぎるとモータが振動します。',
               '速度环增益：速度环的比例增益。越大响应越快、刚性越高，过大则电机振动。')
INTEGRAL_DESC = tr('Speed loop integral time: integral time constant of the speed loop. Shorter removes speed errors faster; too short causes overshoot and vibration.',
                   '速度ループ積分時間：速度ループの積分時定数です。短いほど速度偏差を早く無くしますが、短すぎるとオーバーシュートや振動が起きます。',
                   '速度环积分时间：速度环的积分时间常数。越短消除速度偏差越快，过短会引起超调和振动。')
TUNED = both('automatic gain tuning also sets this value', 'オートゲインチューニングでも設定されます',
             '自动增益调整也会设定此值', ('BX',))


def loop_notes(group, entry_no, other_group, pn):
    return {lang: {f: same_setting(lang, other_group, entry_no, other_group)
                   + ((' ' if lang == 'E' else '') + table_no(lang, pn) if f == 'FX' else '')
                   for f in FAMILIES} for lang in LANGS}


entry('spd', 10, GAIN_LIMITS, None, 'now', GAIN_DESC, codes=TUNED, notes=loop_notes('spd', 10, 'pos', 'Pn01'))
entry('spd', 11, {f: ('1', '1000') for f in ALL3}, 'ms', 'now', INTEGRAL_DESC, codes=TUNED,
      notes=loop_notes('spd', 11, 'pos', 'Pn02'))

entry('spd', 12, {'DX': ('0', '3000'), 'FX': ('0', '255'), 'BX': ('0', '3000')}, 'r/min', 'now',
      tr('Zero speed level: below this speed the motor counts as stopped; the zero-speed output turns on, and Zero clamp uses it as its threshold.',
         'ゼロ速度レベル：この速度未満でモータは停止とみなされ、ゼロ速度出力がオンになります。ゼロクランプのしきい値にもなります。',
         '零速度值：低于此速度时视为电机停止，零速度输出为ON，也作为零位箝位的阈值。'),
      notes=fx(lambda l: table_no(l, 'Pn07')))

entry('spd', 13, {'DX': ('100', '5000'), 'FX': ('10', '30000'), 'BX': ('100', '30000')}, 'r/min/10V', 'now',
      tr('Speed command gain: the motor speed commanded by +10 V at the analog speed input.',
         '速度指令ゲイン：アナログ速度入力が+10Vのときに指令されるモータ速度です。',
         '速度指令增益：模拟速度输入为+10V时所指令的电机速度。'),
      notes=fx(lambda l: tr(f'Only from FX version 27; earlier versions set the same word as {name("E", "spd", 15)}. ',
                            f'FXバージョン27以降のみ。それ以前は同じ語を{name("J", "spd", 15)}として設定します。',
                            f'仅限FX版本27及以后；更早版本将同一个字作为{name("C", "spd", 15)}设定。')[l]
               + table_no(l, 'Pn03')))

entry('spd', 14, {'DX': ('-9.999', '9.999'), 'BX': ('-10.000', '10.000')}, 'V', 'now',
      tr('Speed command offset: voltage added to the analog speed command to cancel drift; adjust it until the motor stands still at 0 V input.',
         '速度指令オフセット：ドリフトを打ち消すためアナログ速度指令に加える電圧です。入力0Vでモータが止まるように調整します。',
         '速度指令偏置：为消除漂移而加到模拟速度指令上的电压，调整到输入0V时电机静止。'),
      codes=both('in steps of 0.001 V', '0.001V単位', '以0.001V为单位', ('DX', 'BX')))

entry('spd', 15, {'FX': ('5', '10')}, 'V', 'now',
      tr('Speed command voltage: the voltage at the analog speed input that commands the rated motor speed.',
         '速度指令電圧：定格速度を指令するアナログ速度入力の電圧です。',
         '速度指令电压：指令电机额定速度的模拟速度输入电压。'),
      notes=fx(lambda l: tr(f'Only before FX version 27; from version 27 the same word is set as {name("E", "spd", 13)}. ',
                            f'FXバージョン27より前のみ。27以降は同じ語を{name("J", "spd", 13)}として設定します。',
                            f'仅限FX版本27之前；版本27起同一个字作为{name("C", "spd", 13)}设定。')[l]
               + table_no(l, 'Pn03')))

entry('spd', 16, {'FX': ('-63', '63')}, 'r/min', 'now',
      tr('Speed zero adjustment: fine correction of the zero point of the speed command.',
         '速度ゼロ調整：速度指令のゼロ点を微調整します。',
         '速度零点调整：微调速度指令的零点。'),
      codes=both('adjust it until the motor stands still at zero command', '指令ゼロでモータが止まるように調整します',
                 '调整到指令为零时电机静止', ('FX',)),
      notes=fx(lambda l: table_no(l, 'Pn04')))

entry('spd', 17, {'FX': ('0', '1')}, None, 'now',
      tr('Soft start: makes the speed command follow the Acceleration time and S-curve time instead of changing in one step.',
         'ソフトスタート：速度指令を一度に変えず、加速時間とS字時間に従って変化させます。',
         '软启动：使速度指令按加速时间和S曲线时间变化，而不是一步跳变。'),
      codes=both('0 = off, 1 = on', '0=無効、1=有効', '0=无效，1=有效', ('FX',)),
      notes=fx(lambda l: field_of_word(l, 'Pn12-4', '12-15', [('spd', 4), ('spd', 3), ('sys', 7)])))

entry('spd', 20, {'FX': ('0', '200')}, '%', 'now',
      tr('Load inertia ratio: moment of inertia of the load as a percentage of the motor\'s own; the speed and position loops use it.',
         '負荷慣性モーメント比：モータ自身に対する負荷の慣性モーメントの割合（%）です。速度ループと位置ループで使います。',
         '负载惯量比：负载转动惯量相对电机自身转动惯量的百分比，用于速度环和位置环。'),
      notes=fx(lambda l: from_version(l, 33) + tr(' Shown in both the Speed and the Position window (one setting). ',
                                                  '速度パラメータと位置パラメータの両方に表示される同じ設定です。',
                                                  '在速度参数和位置参数中显示的是同一设定。')[l]
               + table_no(l, 'Pn09')))

entry('spd', 21, {'FX': ('10', '10000')}, 'ms', 'now',
      tr('S-curve time: rounds the start and end of each acceleration and deceleration; longer gives smoother motion.',
         'S字時間：加速・減速の始めと終わりを丸めます。長いほど動きが滑らかになります。',
         'S曲线时间：使加速、减速的开始和结束变得圆滑，越长运动越平稳。'),
      notes=fx(lambda l: from_version(l, 31) + tr(f' Used while {name("E", "spd", 17)} is on. ',
                                                  f'{name("J", "spd", 17)}が有効のとき使われます。',
                                                  f'在{name("C", "spd", 17)}有效时使用。')[l]
               + table_no(l, 'Pn27')))

# ---------------------------------------------------------------- torque group
entry('trq', 0, {f: ('0', '10000') for f in ALL3}, 'ms', 'now',
      tr('Torque ramp time: time for the torque command to rise from 0 to rated torque in torque control.',
         'トルク立上り時間：トルク制御でトルク指令が0から定格トルクまで上がる時間です。',
         '转矩上升时间：转矩控制中转矩指令从0上升到额定转矩所需的时间。'),
      codes=both('0 = no ramp', '0=ランプなし', '0=无斜坡'),
      notes=fx(lambda l: table_no(l, 'Pn14')))

entry('trq', 1, {'DX': ('30', '300'), 'FX': ('30', '3000'), 'BX': ('30', '300')}, '%/10V', 'now',
      tr('Torque command gain: the torque commanded by +10 V at the analog torque input, in % of rated torque.',
         'トルク指令ゲイン：アナログトルク入力が+10Vのときに指令されるトルクで、定格トルクに対する%です。',
         '转矩指令增益：模拟转矩输入为+10V时所指令的转矩，以额定转矩的%表示。'),
      codes=both('the torque limits still apply', 'トルク制限は別に働きます', '转矩限制仍然有效'),
      notes=fx(lambda l: table_no(l, 'Pn15')))

entry('trq', 2, {'DX': ('-9.999', '9.999'), 'FX': ('-1000', '1000'), 'BX': ('-10.000', '10.000')},
      {'DX': 'V', 'FX': 'mV', 'BX': 'V'}, 'now',
      tr('Torque command offset: voltage added to the analog torque command to cancel drift; adjust it until the motor gives no torque at 0 V input.',
         'トルク指令オフセット：ドリフトを打ち消すためアナログトルク指令に加える電圧です。入力0Vでトルクが出ないように調整します。',
         '转矩指令偏置：为消除漂移而加到模拟转矩指令上的电压，调整到输入0V时不产生转矩。'),
      codes=per_family(E={'DX': 'in steps of 0.001 V', 'BX': 'in steps of 0.001 V',
                          'FX': 'FX amplifiers count this offset in millivolts, although the unit column reads V'},
                       J={'DX': '0.001V単位', 'BX': '0.001V単位', 'FX': 'FXでは単位欄がVでもミリボルト単位で数えます'},
                       C={'DX': '以0.001V为单位', 'BX': '以0.001V为单位', 'FX': 'FX以毫伏为单位计数（单位栏显示V）'}),
      notes=fx(lambda l: table_no(l, 'Pn16')))

for _k in (1, 2, 3):
    entry('trq', 2 + _k, {f: ('0', '3000') for f in ALL3}, 'r/min', 'now',
          tr(f'Torque-mode speed limit {_k}: highest motor speed in torque control while the speed-select inputs choose limit {_k}.',
             f'トルク制御時速度制限{_k}：トルク制御中、速度選択入力で制限{_k}を選んでいるときのモータ最高速度です。',
             f'转矩控制速度限制{_k}：转矩控制中由速度选择输入选择限制{_k}时的电机最高速度。'),
          notes=merge(fx(lambda l, k=_k: table_no(l, f'Pn{16 + k}')),
                      bx(lambda l, k=_k: same_word(l, 'spd', k - 1, 'spd', tr(
                          '; its size is used as the limit.', '。その大きさが制限値になります。', '，其绝对值作为限制值。')))))

# -------------------------------------------------------------- position group
entry('pos', 0, {'DX': ('0', '2'), 'FX': ('0', '2'), 'BX': ('0', '4')}, None, 'power',
      tr('Pulse input form: the form of the position command pulses at the pulse input.',
         'パルス入力形態：パルス入力に与える位置指令パルスの形式です。',
         '脉冲输入形式：脉冲输入端位置指令脉冲的形式。'),
      codes=per_family(
          E={'DX': '0 = pulse and direction, 1 = CW and CCW pulse trains, 2 = A/B phase ×4',
             'FX': '0 = pulse and direction, 1 = CW and CCW pulse trains, 2 = A/B phase ×4',
             'BX': '0 = pulse and direction, 1 = CW and CCW pulse trains, 2 = A/B phase ×4, 3 = A/B phase ×2, 4 = A/B phase ×1'},
          J={'DX': '0=パルス＋方向、1=正転/逆転パルス列、2=A/B相4逓倍',
             'FX': '0=パルス＋方向、1=正転/逆転パルス列、2=A/B相4逓倍',
             'BX': '0=パルス＋方向、1=正転/逆転パルス列、2=A/B相4逓倍、3=A/B相2逓倍、4=A/B相1逓倍'},
          C={'DX': '0=脉冲+方向，1=正转/反转脉冲列，2=A/B相4倍频',
             'FX': '0=脉冲+方向，1=正转/反转脉冲列，2=A/B相4倍频',
             'BX': '0=脉冲+方向，1=正转/反转脉冲列，2=A/B相4倍频，3=A/B相2倍频，4=A/B相1倍频'}),
      notes=fx(lambda l: field_of_word(l, 'Pn10-2', '4-7', [('sys', 0), ('sys', 2)])))

GEAR_LIMITS = {'DX': ('1', '50000'), 'FX': ('1', '10000'), 'BX': ('1', '50000')}
for _k, (_word_e, _word_j, _word_c, _pn) in enumerate((('numerator', '分子', '分子', 'Pn21'),
                                                        ('denominator', '分母', '分母', 'Pn22')), start=1):
    entry('pos', _k, GEAR_LIMITS, None, 'servo',
          tr(f'Electronic gear {_word_e}: each command pulse moves the motor by numerator / denominator encoder pulses.',
             f'電子ギア{_word_j}：指令パルス1個でモータは（分子÷分母）エンコーダパルス分動きます。',
             f'电子齿轮{_word_c}：每个指令脉冲使电机移动（分子÷分母）个编码器脉冲。'),
          notes=fx(lambda l, pn=_pn: table_no(l, pn)))

entry('pos', 3, {'DX': ('0', '50000'), 'FX': ('0', '32767'), 'BX': ('0', '50000')}, 'pulse', 'now',
      tr('In-position width: the in-position output turns on when the position error is within this many encoder pulses.',
         '位置決め完了幅：位置偏差がこのエンコーダパルス数以内になると位置決め完了出力がオンになります。',
         '定位完成幅度：位置偏差在该编码器脉冲数以内时，定位完成输出变为ON。'),
      notes=fx(lambda l: table_no(l, 'Pn20')))

entry('pos', 4, {'DX': ('1', '500000'), 'FX': ('1', '500'), 'BX': ('1', '500000')},
      {'DX': 'pulse', 'FX': 'kpulse', 'BX': 'pulse'}, 'now',
      tr('Forward software limit: the motor is not moved beyond this position in the forward direction, counted in encoder pulses from the home position.',
         '正転ソフトリミット：原点から数えたこの位置（エンコーダパルス）を超えて正転方向には動かしません。',
         '正转软限位：从原点算起，电机在正转方向不会越过此位置（编码器脉冲）。'),
      codes=both('1 kpulse = 1000 pulses', '1kpulse=1000パルス', '1kpulse=1000脉冲', ('FX',)),
      notes=fx(lambda l: tr('On FX one word serves both directions (the Reverse software limit shows the same value): travel stays within plus and minus this value. ',
                            'FXでは1語で両方向を決めます（逆転ソフトリミットも同じ値）。移動は±この値の範囲に保たれます。',
                            'FX用一个字同时决定两个方向（反转软限位显示相同的值），运动范围为±此值。')[l]
               + table_no(l, 'Pn25')))

entry('pos', 5, {'DX': ('-500000', '-1'), 'FX': ('1', '500'), 'BX': ('-500000', '-1')},
      {'DX': 'pulse', 'FX': 'kpulse', 'BX': 'pulse'}, 'now',
      tr('Reverse software limit: the motor is not moved beyond this position in the reverse direction, counted in encoder pulses from the home position.',
         '逆転ソフトリミット：原点から数えたこの位置（エンコーダパルス）を超えて逆転方向には動かしません。',
         '反转软限位：从原点算起，电机在反转方向不会越过此位置（编码器脉冲）。'),
      codes=per_family(E={'DX': 'entered as a negative number', 'BX': 'entered as a negative number',
                          'FX': '1 kpulse = 1000 pulses; entered without a sign'},
                       J={'DX': '負の値で入力します', 'BX': '負の値で入力します', 'FX': '1kpulse=1000パルス。符号を付けずに入力します'},
                       C={'DX': '以负数输入', 'BX': '以负数输入', 'FX': '1kpulse=1000脉冲，以不带符号的数值输入'}),
      notes=fx(lambda l: tr('On FX the same word as the Forward software limit: travel stays within plus and minus this value. ',
                            'FXでは正転ソフトリミットと同じ語です。移動は±この値の範囲に保たれます。',
                            'FX上与正转软限位为同一个字，运动范围为±此值。')[l]
               + table_no(l, 'Pn25')))

entry('pos', 6, {'DX': ('0', '500'), 'FX': ('10', '500'), 'BX': ('0', '500')}, None, 'now',
      tr('Position loop gain: proportional gain of the position loop, in 1/s. Higher gives smaller following error and faster settling; too high causes vibration.',
         '位置ループゲイン：位置ループの比例ゲイン（1/s）です。大きいほど追従誤差が小さく整定が速くなりますが、大きすぎると振動します。',
         '位置环增益：位置环的比例增益（1/s）。越大跟随误差越小、整定越快，过大会引起振动。'),
      notes=fx(lambda l: table_no(l, 'Pn23')))

entry('pos', 7, {f: ('0', '100') for f in ALL3}, None, 'now',
      tr('Feed-forward gain: share of the speed feed-forward added to the position loop, in %. More gives less following error but more overshoot.',
         'フィードフォワードゲイン：位置ループに加える速度フィードフォワードの割合（%）です。大きいほど追従誤差が減り、オーバーシュートが増えます。',
         '前馈增益：加到位置环上的速度前馈比例（%）。越大跟随误差越小，但超调越大。'),
      codes=both('0 = none, 100 = full feed-forward', '0=なし、100=全量', '0=无，100=全部前馈'),
      notes=fx(lambda l: table_no(l, 'Pn26')))

entry('pos', 8, {'DX': ('0', '9999'), 'FX': ('0', '10000'), 'BX': ('0', '9999')}, 'ms', 'now',
      tr('Position command filter: time constant of a filter that smooths the position command; longer gives gentler starts and stops.',
         '位置指令フィルタ：位置指令を滑らかにするフィルタの時定数です。長いほど起動・停止が穏やかになります。',
         '位置指令滤波：平滑位置指令的滤波时间常数，越长启动和停止越平缓。'),
      codes=both('0 = no filter', '0=フィルタなし', '0=不滤波'),
      notes=fx(lambda l: table_no(l, 'Pn24')))

entry('pos', 9, {'BX': ('0', '1')}, None, 'now',
      tr('Error clear mode: how the error-clear input clears the position error.',
         '偏差クリア方式：偏差クリア入力で位置偏差を消す方法です。',
         '偏差清除方式：偏差清除输入清除位置偏差的方法。'),
      codes=both('0 = cleared as long as the input is on, 1 = cleared once at the moment the input turns on',
                 '0=入力オンの間クリア、1=入力がオンになった瞬間に1回クリア',
                 '0=输入ON期间持续清除，1=输入变为ON的瞬间清除一次', ('BX',)))

entry('pos', 10, GAIN_LIMITS, None, 'now', GAIN_DESC, codes=TUNED, notes=loop_notes('pos', 10, 'spd', 'Pn01'))
entry('pos', 11, {f: ('1', '1000') for f in ALL3}, 'ms', 'now', INTEGRAL_DESC, codes=TUNED,
      notes=loop_notes('pos', 11, 'spd', 'Pn02'))

entry('pos', 12, {'FX': ('0', '7')}, None, 'power',
      tr('Encoder output ratio: divides the encoder pulse output by 2 to the power of this value.',
         'エンコーダ出力分周：エンコーダパルス出力を2のこの値乗で分周します。',
         '编码器输出分频：将编码器脉冲输出按2的该值次方分频。'),
      codes=both('0 = 1/1, 1 = 1/2, 2 = 1/4, 3 = 1/8 ... 7 = 1/128', '0=1/1、1=1/2、2=1/4、3=1/8 … 7=1/128',
                 '0=1/1，1=1/2，2=1/4，3=1/8 … 7=1/128', ('FX',)),
      notes=fx(lambda l: from_version(l, 31) + (' ' if l == 'E' else '') + table_no(l, 'Pn13-1')))

# Position entry 13 on the FX group is Load inertia ratio of the speed group and
# shows the same tip lines; it needs no block of its own.


# ------------------------------------------------------------------- assembly
def unit_of(item, family):
    unit = item['unit']
    return unit.get(family) if isinstance(unit, dict) else unit


def unit_text(lang, key):
    return UNIT_TEXT[lang].get(key, key)


def range_line(lang, item, family):
    lo, hi = item['limits'][family]
    unit = unit_of(item, family)
    codes = item['codes'].get(lang, {}).get(family)
    suffix = (' ' + unit_text(lang, unit)) if unit else ''
    if lang == 'E':
        head = f'Range {lo} to {hi}{suffix}'
        return head + (': ' + codes if codes else '') + '.'
    head = {'J': f'設定範囲 {lo}～{hi}{suffix}', 'C': f'设定范围 {lo}～{hi}{suffix}'}[lang]
    return head + ('：' + codes if codes else '') + '。'


def joined(lang, *parts):
    return (' ' if lang == 'E' else '').join(p for p in parts if p)


def fits(line):
    return len(line.encode('utf-8')) <= MAX_BYTES


def block(lang, item, family, count):
    """The entry's tip lines for one family, fitted into count lines.

    The note (shared words, versions, table number) goes after the effect text,
    or, when that line would be too long, after the range or the description."""
    effect = [EFFECT[item['effect']][lang]]
    if family == 'BX':
        effect.append(BX_KEPT[lang])
    desc = item['desc'][lang]
    if count < 3:
        desc = item['short'].get(lang, desc)
    lines = [desc, range_line(lang, item, family), joined(lang, *effect)]
    if count < 3:
        lines = squeeze(lang, lines)
    note = item['notes'].get(lang, {}).get(family, '').strip()
    if note:
        for k in reversed(range(len(lines))):
            if fits(joined(lang, lines[k], note)):
                lines[k] = joined(lang, lines[k], note)
                break
        else:
            sys.exit(f'{lang} {family} {item["group"]} {item["index"]}: note does not fit')
    return lines


def squeeze(lang, lines):
    """Fits a three-line block into two lines by joining neighbours."""
    first = joined(lang, lines[0], lines[1])
    if fits(first):
        return [first, lines[2]]
    return [lines[0], joined(lang, lines[1], lines[2])]


def tip_start(family, group, index):
    return TIP_EXCEPTIONS.get((family, group, index), TIP_BASE[family][group] + 3 * index)


def build(lang):
    text = {n: PLACEHOLDER for n in range(401, 1001)}
    owner = {}
    for item in ENTRIES:
        for family in item['limits']:
            start = tip_start(family, item['group'], item['index'])
            numbers = [n for n in range(start, start + 3) if n != SHARED_LINE]
            for n, line in zip(numbers, block(lang, item, family, len(numbers))):
                if n in owner:
                    sys.exit(f'line {n} claimed by {owner[n]} and {family} {item["group"]} {item["index"]}')
                owner[n] = (family, item['group'], item['index'])
                text[n] = line
    text[SHARED_LINE] = SHARED_HINT[lang]
    return text


def write_catalogue(lang):
    text = build(lang)
    path = os.path.join(HERE, f'Tips.{lang}')
    with open(path, 'w', encoding='utf-8', newline='\n') as out:
        for n in range(401, 1001):
            out.write(f'{n} {text[n]}\n')


def write_entry_names():
    lines = ['# English entry names and units assumed by the tip lines 401-1000.',
             '# Format: group entry: name (name message), unit (unit message) [families where enabled]',
             '# Unit messages as the tips read them: 301 V, 302 %, 303 pulse, 305 r/min, 306 no unit,',
             '# 307 ms, 309 r/min/10V, 311 W, 312 kpulse (1000 pulses), 313 %/10V.',
             '# Mode texts assumed for control-mode codes: 56 speed, 57 position, 58 torque,',
             '# 59 position/speed, 60 position/torque, 61 speed/torque.',
             '# Line 801 ends the FX block of position 11 and starts the BX block of system 0;',
             '# it holds a general editing hint that reads well in both.',
             '# Unit cells hold at most 9 bytes, so Japanese and Chinese unit texts must stay short.',
             '']
    seen = {}
    for item in ENTRIES:
        seen[(item['group'], item['index'])] = item
    for group in ('sys', 'spd', 'trq', 'pos'):
        count = {'sys': 19, 'spd': 22, 'trq': 8, 'pos': 14}[group]
        for index in range(count):
            item = seen.get((group, index))
            if item is None and (group, index) == ('pos', 13):
                item = seen[('spd', 20)]
                fams = FX_CONDITION[('pos', 13)] + '; same setting and tip lines as speed 20'
            elif item is None:
                lines.append(f'{GROUP_WORD[group]} {index}: (not used in any family; name message '
                             f'{name_message(group, index)})')
                continue
            else:
                fams = ', '.join(f for f in FAMILIES if f in item['limits'])
                if (group, index) in FX_CONDITION:
                    fams += '; ' + FX_CONDITION[(group, index)]
            units = []
            for family in FAMILIES:
                if family in item['limits']:
                    key = unit_of(item, family)
                    label = f'{key or "no unit"} ({UNIT_MSG[key]})'
                    if key == 'mV':
                        label = 'V (301; FX counts mV)'
                    if label not in units:
                        units.append(label)
            lines.append(f'{GROUP_WORD[group]} {index}: {NAMES[(group, index)][0]} ({name_message(group, index)}), '
                         f'{" / ".join(units)} [{fams}]')
        lines.append('')
    lines.append('# Japanese and Chinese names used in Tips.J and Tips.C')
    for (group, index), (_, japanese, chinese) in NAMES.items():
        lines.append(f'{GROUP_WORD[group]} {index}: {japanese} / {chinese}')
    with open(os.path.join(HERE, 'EntryNames.E.txt'), 'w', encoding='utf-8', newline='\n') as out:
        out.write('\n'.join(lines).rstrip('\n') + '\n')


if __name__ == '__main__':
    for lang in LANGS:
        write_catalogue(lang)
    write_entry_names()
