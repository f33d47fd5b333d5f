<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Localizable</name>
    <message>
        <source>greeting</source>
        <translation>Hello</translation>
    </message>
    <message>
        <source>farewell</source>
        <translation>Goodbye</translation>
    </message>
</context>
</TS>
