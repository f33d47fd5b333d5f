<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Localizable</name>
    <message>
        <source>titleWelcome</source>
        <translation>Welcome</translation>
    </message>
    <message>
        <source>titleAgreement</source>
        <translation>Licence Agreement</translation>
    </message>
    <message>
        <source>titleChooseUser</source>
        <translation>Who Will Use the Screen Saver?</translation>
    </message>
    <message>
        <source>titleProgress</source>
        <translation>Installing…</translation>
    </message>
    <message>
        <source>titleFinished</source>
        <translation>The Installation Is Complete</translation>
    </message>
    <message>
        <source>titleNoFinished</source>
        <translation>The Installation Failed</translation>
    </message>
    <message>
        <source>titleNoFlash</source>
        <translation>Flash Player Is Required</translation>
    </message>
    <message>
        <source>goNext</source>
        <translation>Continue</translation>
    </message>
    <message>
        <source>agree</source>
        <translation>Agree</translation>
    </message>
    <message>
        <source>notAgree</source>
        <translation>Disagree</translation>
    </message>
    <message>
        <source>abort</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>finished</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>quit</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>textTitleView</source>
        <translation>This installer puts the screen saver on your computer.

Click Continue to begin.</translation>
    </message>
    <message>
        <source>textCurrUser</source>
        <translation>Install for me only</translation>
    </message>
    <message>
        <source>textAllUsers</source>
        <translation>Install for all users of this computer (needs an administrator password)</translation>
    </message>
    <message>
        <source>textSetSaver</source>
        <translation>Use it as my screen saver now</translation>
    </message>
    <message>
        <source>textShowReadme</source>
        <translation>Show the Read Me</translation>
    </message>
    <message>
        <source>textNoFlash</source>
        <translation>This screen saver needs the Flash Player plug-in, which is not installed. Click the banner below to download it, then run this installer again.</translation>
    </message>
</context>
</TS>
