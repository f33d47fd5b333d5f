<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>Localizable</name>
    <message>
        <source>greeting</source>
        <translation>こんにちは</translation>
    </message>
</context>
</TS>
