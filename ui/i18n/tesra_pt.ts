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
    <message><source>Files</source><translation>Ficheiros</translation></message>
    <message><source>Sidebar</source><translation>Barra lateral</translation></message>
    <message><source>List of places and bookmarks</source><translation>Lista de locais e marcadores</translation></message>
    <message><source>Recent Places</source><translation>Locais Recentes</translation></message>
    <message><source>Remove</source><translation>Remover</translation></message>
    <message><source>Go back</source><translation>Recuar</translation></message>
    <message><source>Go forward</source><translation>Avançar</translation></message>
    <message><source>Go to the parent directory</source><translation>Ir para a pasta mãe</translation></message>
    <message><source>Create a New Folder</source><translation>Criar uma Nova Pasta</translation></message>
    <message><source>Change to list view mode</source><translation>Mudar para a vista abreviada</translation></message>
    <message><source>Change to detail view mode</source><translation>Mudar para a vista detalhada</translation></message>
    <message><source>&amp;New Folder</source><translation>&amp;Nova Pasta</translation></message>
    <message><source>Delete</source><translation>Apagar</translation></message>
    <message><source>Show </source><translation>Mostrar </translation></message>
    <message><source>&amp;Choose</source><translation>&amp;Escolher</translation></message>
    <message><source>All files (*)</source><translation>Todos os ficheiros (*)</translation></message>
    <message><source>Are you sure you want to delete '%1'?</source><translation>Tem a certeza de que quer apagar '%1'?</translation></message>
    <!-- Key sequences, which Qt reads in its own words: kept as they are. -->
    <message><source>Alt+Left</source><translation>Alt+Left</translation></message>
    <message><source>Alt+Right</source><translation>Alt+Right</translation></message>
    <message><source>Alt+Up</source><translation>Alt+Up</translation></message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message><source>Folder</source><comment>All other platforms</comment><translation>Pasta</translation></message>
    <message><source>Shortcut</source><comment>All other platforms</comment><translation>Atalho</translation></message>
    <message><source>Drive</source><translation>Unidade</translation></message>
    <message><source>Unknown</source><translation>Desconhecido</translation></message>
</context>
<context>
    <name>QFileSystemModel</name>
    <message><source>Computer</source><translation>Computador</translation></message>
</context>
</TS>
