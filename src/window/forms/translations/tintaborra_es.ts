<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!--
  Texts of Qt's own dialogs that Qt's Spanish translations (qtbase_es) lack,
  by Qt's context and source text. They are Qt's texts, not the program's:
  lupdate finds none of them in our sources, so this file is edited by hand.
  No disambiguation is given, so each answers whatever disambiguation Qt asks with.
-->
<TS version="2.1" language="es_ES">
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>Unidad</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Archivo</translation>
    </message>
    <message>
        <source>File Folder</source>
        <translation>Carpeta</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Carpeta</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Acceso directo</translation>
    </message>
    <message>
        <source>Alias</source>
        <translation>Alias</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Desconocido</translation>
    </message>
</context>
</TS>
