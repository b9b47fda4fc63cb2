<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_PT">
<context>
    <name>QPlatformTheme</name>
    <message><source>OK</source><translation>OK</translation></message>
    <message><source>Open</source><translation>Abrir</translation></message>
    <message><source>Save</source><translation>Guardar</translation></message>
    <message><source>Cancel</source><translation>Cancelar</translation></message>
    <message><source>Close</source><translation>Fechar</translation></message>
    <message><source>&amp;Yes</source><translation>&amp;Sim</translation></message>
    <message><source>&amp;No</source><translation>&amp;Não</translation></message>
</context>
<context>
    <name>QFileDialog</name>
    <message><source>Look in:</source><translation>Procurar em:</translation></message>
    <message><source>Files of type:</source><translation>Ficheiros do tipo:</translation></message>
</context>
<context>
    <name>QFileSystemModel</name>
    <message><source>Computer</source><translation>Computador</translation></message>
</context>
</TS>
