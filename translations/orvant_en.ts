<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>AlertRecords</name>
    <message>
        <source>за недоступным %1</source>
        <translation>behind unreachable %1</translation>
    </message>
    <message>
        <source>связь неустойчива</source>
        <translation>connection unstable</translation>
    </message>
    <message>
        <source>сигналы отключены</source>
        <translation>alerts muted</translation>
    </message>
    <message>
        <source>плановые работы</source>
        <translation>planned maintenance</translation>
    </message>
    <message>
        <source>не подтверждён повторными проверками</source>
        <translation>not confirmed by further checks</translation>
    </message>
    <message>
        <source>до включения</source>
        <translation>until unmuted</translation>
    </message>
    <message>
        <source>до %1</source>
        <translation>until %1</translation>
    </message>
    <message>
        <source>пн</source>
        <translation>Mon</translation>
    </message>
    <message>
        <source>вт</source>
        <translation>Tue</translation>
    </message>
    <message>
        <source>ср</source>
        <translation>Wed</translation>
    </message>
    <message>
        <source>чт</source>
        <translation>Thu</translation>
    </message>
    <message>
        <source>пт</source>
        <translation>Fri</translation>
    </message>
    <message>
        <source>сб</source>
        <translation>Sat</translation>
    </message>
    <message>
        <source>вс</source>
        <translation>Sun</translation>
    </message>
</context>
<context>
    <name>Database</name>
    <message>
        <source>Не удалось открыть файл базы данных %1: %2</source>
        <translation>Cannot open the database file %1: %2</translation>
    </message>
    <message>
        <source>файла нет. Положите файл базы данных на это место (в поставке он лежит рядом с программами) и запустите программу снова.</source>
        <translation>there is no such file. Put the database file there (the package has it beside the programs) and start the program again.</translation>
    </message>
    <message>
        <source>под этим именем лежит не файл. Уберите его и положите на это место файл базы данных.</source>
        <translation>what lies under this name is not a file. Remove it and put the database file there.</translation>
    </message>
    <message>
        <source>SQLite его не открывает. Проверьте права на файл и его папку.
%1</source>
        <translation>SQLite does not open it. Check the permissions of the file and its folder.
%1</translation>
    </message>
    <message>
        <source>файл не читается как база данных (испорчен или это другой файл). Восстановите его из копии.
%1</source>
        <translation>the file does not read as a database (damaged, or another file). Restore it from a copy.
%1</translation>
    </message>
    <message>
        <source>база данных %1 не открыта (смотрите сообщение при запуске): исправьте файл и запустите программу снова</source>
        <translation>the database %1 is not open (see the message at start-up): fix the file and start the program again</translation>
    </message>
    <message>
        <source>соединение %1 с базой данных не открывалось</source>
        <translation>the database connection %1 was never opened</translation>
    </message>
    <message>
        <source>Соединение с базой данных %1 потеряно. Программа подключится к ней снова при следующем действии.</source>
        <translation>The connection to the database %1 was lost. The program will connect again at the next action.</translation>
    </message>
    <message>
        <source>в базе данных нет таблиц программ (addrs, logs, options). Создайте их командой orvant-mkdb (см. README) и запустите программу снова.</source>
        <translation>the database has none of the programs&apos; tables (addrs, logs, options). Create them with orvant-mkdb (see the README) and start the program again.</translation>
    </message>
    <message>
        <source>Не удалось обновить базу данных %1: %2</source>
        <translation>Cannot upgrade the database %1: %2</translation>
    </message>
    <message>
        <source>нет соединения с базой данных %1</source>
        <translation>no connection to the database %1</translation>
    </message>
    <message>
        <source>База данных %1 не переведена в журнал WAL (режим %2): программы будут чаще ждать друг друга.</source>
        <translation>The database %1 could not be switched to the WAL journal (mode %2): the programs will wait for each other more often.</translation>
    </message>
    <message>
        <source>не удалось настроить журнал файла (возможно, его держит другая программа). Запустите программу снова.
%1</source>
        <translation>the file&apos;s journal could not be set up (another program may be holding it). Start the program again.
%1</translation>
    </message>
    <message>
        <source>Не удалось подключиться к базе данных %1: %2</source>
        <translation>Could not connect to the database %1: %2</translation>
    </message>
    <message>
        <source>Настройки подключения — в файле %1.</source>
        <translation>The connection settings are in the file %1.</translation>
    </message>
    <message>
        <source>нет драйвера PostgreSQL для Qt (QPSQL). Установите пакет libqt6sql6-psql.</source>
        <translation>Qt&apos;s PostgreSQL driver (QPSQL) is missing. Install the package libqt6sql6-psql.</translation>
    </message>
    <message>
        <source>сервер не отвечает или отказал в подключении. Проверьте, что сервер PostgreSQL запущен, а адрес, порт, имя базы и пользователь указаны верно.
%1</source>
        <translation>the server does not answer or refused the connection. Check that the PostgreSQL server is running and that the address, port, database name and user are right.
%1</translation>
    </message>
    <message>
        <source>%1. Сервер отказал во входе: проверьте пользователя, пароль и имя базы данных. Попытки подключения будут повторяться всё реже, до раза в минуту.</source>
        <translation>%1. The server refused the login: check the user, the password and the database name. Connection attempts will be repeated less and less often, down to once a minute.</translation>
    </message>
    <message>
        <source>файловая система подключена только для чтения: подключите её для записи</source>
        <translation>the file system is mounted read-only: mount it writable</translation>
    </message>
    <message>
        <source>например, chmod u+w %1</source>
        <translation>for example, chmod u+w %1</translation>
    </message>
    <message>
        <source>например, sudo chmod %2 %1</source>
        <translation>for example, sudo chmod %2 %1</translation>
    </message>
    <message>
        <source>например, %1, затем войдите в систему заново</source>
        <translation>for example, %1, then log in again</translation>
    </message>
    <message>
        <source>например, sudo chgrp users %1 &amp;&amp; sudo chmod %2 %1 &amp;&amp; sudo adduser %3 users, затем войдите в систему заново</source>
        <translation>for example, sudo chgrp users %1 &amp;&amp; sudo chmod %2 %1 &amp;&amp; sudo adduser %3 users, then log in again</translation>
    </message>
    <message>
        <source>(%1 — ссылка на %2)</source>
        <translation>(%1 is a link to %2)</translation>
    </message>
    <message>
        <source>каталог %1 доступен только для чтения: рядом с базой данных нельзя создать её служебные файлы (%2-wal, %2-shm)%3. Дайте программам право на запись в этот каталог (%4) или перенесите базу данных в каталог, доступный для записи.</source>
        <translation>the directory %1 is read-only: the database&apos;s working files (%2-wal, %2-shm) cannot be made beside it%3. Give the programs write access to this directory (%4) or move the database to a writable directory.</translation>
    </message>
    <message>
        <source>Файл базы данных %1 доступен только для чтения%2: записи о сбоях и изменения не будут сохранены. Дайте право на запись в этот файл (%3).</source>
        <translation>The database file %1 is read-only%2: outage records and changes will not be saved. Give write access to this file (%3).</translation>
    </message>
</context>
<context>
    <name>DatabaseConfig</name>
    <message>
        <source>Ошибка в файле настройки %1: %2</source>
        <translation>Error in the configuration file %1: %2</translation>
    </message>
    <message>
        <source>файл не читается. Проверьте права на него.</source>
        <translation>the file cannot be read. Check its permissions.</translation>
    </message>
    <message>
        <source>файл не читается как файл настройки (строки вида ключ=значение в разделе [database]).</source>
        <translation>the file does not read as a configuration file (key=value lines in a [database] section).</translation>
    </message>
    <message>
        <source>в разделе [database] нет ключа %1 (или он пуст).</source>
        <translation>the [database] section has no key %1 (or it is empty).</translation>
    </message>
    <message>
        <source>ключ port: «%1» — не номер порта (от 1 до 65535).</source>
        <translation>key port: “%1” is not a port number (1 to 65535).</translation>
    </message>
    <message>
        <source>ключ driver: неизвестный драйвер «%1». Допустимы postgresql и sqlite.</source>
        <translation>key driver: unknown driver “%1”. Use postgresql or sqlite.</translation>
    </message>
    <message>
        <source>%1 на сервере %2:%3</source>
        <translation>%1 on the server %2:%3</translation>
    </message>
    <message>
        <source>раздел [%1] повторён (впервые — в строке %2). Оставьте один.</source>
        <translation>section [%1] is repeated (first on line %2). Keep one.</translation>
    </message>
    <message>
        <source>ключ %1 повторён (впервые — в строке %2). Оставьте одно значение.</source>
        <translation>key %1 is repeated (first on line %2). Keep one value.</translation>
    </message>
    <message>
        <source>строка %1: %2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>в разделе [vantage] нет ключа name (или он пуст).</source>
        <translation>the [vantage] section has no key name (or it is empty).</translation>
    </message>
    <message>
        <source>ключ name в разделе [vantage]: «%1» — не имя наблюдательного пункта (буквы, цифры и «-», от 1 до %2 знаков).</source>
        <translation>key name in the [vantage] section: “%1” is not a vantage point name (letters, digits and “-”, 1 to %2 characters).</translation>
    </message>
    <message>
        <source>Наблюдательные пункты работают только с сервером PostgreSQL: раздел [vantage] требует driver=postgresql в разделе [database].</source>
        <translation>Vantage points work only with a PostgreSQL server: the [vantage] section needs driver=postgresql in the [database] section.</translation>
    </message>
</context>
<context>
    <name>DatabaseCopy</name>
    <message>
        <source>в базе данных на сервере есть лишь часть таблиц программ (addrs, logs, options): копировать в неё нельзя</source>
        <translation>the server&apos;s database has only some of the programs&apos; tables (addrs, logs, options): nothing can be copied into it</translation>
    </message>
    <message>
        <source>в базе данных на сервере уже есть журнал или адреса: копия в неё смешала бы две истории. Копируйте в пустую базу данных.</source>
        <translation>the server&apos;s database already holds a log or addresses: a copy would mix two histories. Copy into an empty database.</translation>
    </message>
    <message>
        <source>строка %1 таблицы %2 (%3): %4</source>
        <translation>row %1 of the table %2 (%3): %4</translation>
    </message>
</context>
<context>
    <name>DatabaseWait</name>
    <message>
        <source>Ожидание ответа базы данных...</source>
        <translation>Waiting for the database...</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>DurationText</name>
    <message>
        <source>%1 с</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 мин</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 ч %2 мин</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 д %2 ч</source>
        <translation>%1 d %2 h</translation>
    </message>
</context>
<context>
    <name>OptionsStore</name>
    <message>
        <source>в таблице options нет строки настроек. Добавьте в неё одну строку (или возьмите файл базы данных из поставки) и откройте настройки снова</source>
        <translation>the options table has no settings row. Add one row to it (or take the database file from the package) and open the settings again</translation>
    </message>
    <message>
        <source>в таблице options нет столбца %1</source>
        <translation>the options table has no column %1</translation>
    </message>
    <message>
        <source>столбец %1 таблицы options пуст</source>
        <translation>the column %1 of the options table is empty</translation>
    </message>
    <message>
        <source>недопустимое значение «%2» в столбце %1 таблицы options</source>
        <translation>invalid value “%2” in the column %1 of the options table</translation>
    </message>
</context>
<context>
    <name>OutagePaths</name>
    <message>
        <source>%1  %2  %3 мс</source>
        <translation>%1  %2  %3 ms</translation>
    </message>
</context>
<context>
    <name>ProgramCommandLine</name>
    <message>
        <source>Orvant — монитор доступности узлов: опрашивает адреса из базы данных, записывает сбои связи и оповещает о них. Без аргументов запускается как обычно.</source>
        <translation>Orvant, the host reachability monitor: probes the addresses of its database, records every loss of connection and alerts about it. Without arguments it starts as always.</translation>
    </message>
    <message>
        <source>Orvant Admin — адресная книга, настройки монитора, журнал сбоев и каналы оповещений. Без аргументов запускается как обычно.</source>
        <translation>Orvant Admin: the address book, the monitor&apos;s settings, the outage log and the alert channels. Without arguments it starts as always.</translation>
    </message>
    <message>
        <source>Orvant Grapher — в какое время суток узел чаще теряет связь. Без аргументов запускается как обычно.</source>
        <translation>Orvant Grapher: at which times of day a host tends to lose its connection. Without arguments it starts as always.</translation>
    </message>
    <message>
        <source>Открыть график времени ответа и потерь вместо распределения сбоев по времени суток.</source>
        <translation>Open the chart of round-trip times and loss instead of the outages by time of day.</translation>
    </message>
    <message>
        <source>Показать эту справку.</source>
        <translation>Show this help.</translation>
    </message>
    <message>
        <source>Показать версию программы.</source>
        <translation>Show the program&apos;s version.</translation>
    </message>
    <message>
        <source>Справка: %1 --help</source>
        <translation>Help: %1 --help</translation>
    </message>
    <message>
        <source>лишний аргумент «%1»</source>
        <translation>unexpected argument &quot;%1&quot;</translation>
    </message>
</context>
<context>
    <name>Schema</name>
    <message>
        <source>нет шаблона таблиц для сервера</source>
        <translation>the server&apos;s table template is missing</translation>
    </message>
    <message>
        <source>в базе данных уже есть таблицы программ: она не пуста, её данные оставлены как есть</source>
        <translation>the database already has the programs&apos; tables: it is not empty, and its data was left as it is</translation>
    </message>
</context>
<context>
    <name>Translations</name>
    <message>
        <source>Не найден перевод Qt qtbase_ru.qm в %1: стандартные кнопки и диалоги будут на английском. Установите пакет qt6-translations-l10n.</source>
        <translation>Qt&apos;s translation qtbase_ru.qm was not found in %1: standard buttons and dialogs will be in English. Install the package qt6-translations-l10n.</translation>
    </message>
</context>
<context>
    <name>TranspSliderDesignerWidget</name>
    <message>
        <source>Sets the opacity of the window it sits on (%1)</source>
        <translation>Sets the opacity of the window it sits on (%1)</translation>
    </message>
    <message>
        <source>A scroll bar from 100 to 255: below 255 the window it sits on becomes translucent and stays on top; at 255 it is opaque again.</source>
        <translation>A scroll bar from 100 to 255: below 255 the window it sits on becomes translucent and stays on top; at 255 it is opaque again.</translation>
    </message>
</context>
<context>
    <name>VantageRecords</name>
    <message>
        <source>Наблюдательные пункты работают только с сервером PostgreSQL, а база данных — файл %1.</source>
        <translation>Vantage points work only with a PostgreSQL server, and the database is the file %1.</translation>
    </message>
</context>
<context>
    <name>admin::AddressImport</name>
    <message>
        <source>файл не в кодировке UTF-8</source>
        <translation>the file is not UTF-8</translation>
    </message>
    <message>
        <source>строка не читается: %1</source>
        <translation>the line cannot be read: %1</translation>
    </message>
    <message>
        <source>неизвестный, повторённый или недостающий столбец «%1» (нужны address,description; можно также timeout_ms,parent)</source>
        <translation>unknown, repeated or missing column &quot;%1&quot; (address,description needed; timeout_ms,parent optional)</translation>
    </message>
    <message>
        <source>больше значений, чем столбцов (%1)</source>
        <translation>more values than columns (%1)</translation>
    </message>
    <message>
        <source>не IP-адрес</source>
        <translation>not an IP address</translation>
    </message>
    <message>
        <source>время ожидания «%1» не целое число от %2 до %3 мс</source>
        <translation>timeout &quot;%1&quot; is not a whole number from %2 to %3 ms</translation>
    </message>
    <message>
        <source>родительского адреса %1 нет ни в базе, ни в файле</source>
        <translation>parent address %1 is neither in the database nor in the file</translation>
    </message>
    <message>
        <source>родительский адрес %1 отклонён в строке %2</source>
        <translation>parent address %1 is refused on line %2</translation>
    </message>
    <message>
        <source>родительский адрес %1 удаляется при замене</source>
        <translation>parent address %1 is removed by the replacement</translation>
    </message>
    <message>
        <source>родительский адрес %1 замыкает цикл</source>
        <translation>parent address %1 closes a cycle</translation>
    </message>
    <message>
        <source>адрес повторяет строку %1</source>
        <translation>the address repeats line %1</translation>
    </message>
    <message>
        <source>строка %1: %2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>строка %1: %2: %3</source>
        <translation>line %1: %2: %3</translation>
    </message>
    <message>
        <source>устаревшая запись IPv4-адреса, она читалась бы как %1; нужны четыре десятичных числа от 0 до 255 через точку, без ведущих нулей</source>
        <translation>an outdated spelling of an IPv4 address, read as %1; write four decimal numbers from 0 to 255 joined by dots, without leading zeros</translation>
    </message>
    <message>
        <source>этот адрес уже есть в базе в записи %1</source>
        <translation>the book already holds this address, written as %1</translation>
    </message>
    <message>
        <source>первая строка «%1» — не заголовок и не строка с адресом; нужен заголовок %2</source>
        <translation>the first line “%1” is neither the header nor a line with an address; the header %2 is expected</translation>
    </message>
    <message>
        <source>строка %1 («%2») не кончается концом строки: ввод, похоже, оборван, и замена удалила бы адреса, которых в нём не оказалось; ничего не записано</source>
        <translation>line %1 (“%2”) has no line end: the input looks cut short, and the replacement would remove the addresses it lost; nothing was written</translation>
    </message>
</context>
<context>
    <name>admin::AddressImportModel</name>
    <message>
        <source>новый</source>
        <translation>new</translation>
    </message>
    <message>
        <source>изменится</source>
        <translation>changes</translation>
    </message>
    <message>
        <source>без изменений</source>
        <translation>unchanged</translation>
    </message>
    <message>
        <source>отклонён: %1</source>
        <translation>refused: %1</translation>
    </message>
    <message>
        <source>Строка</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Таймаут (мс)</source>
        <translation>Timeout (ms)</translation>
    </message>
    <message>
        <source>За адресом</source>
        <translation>Behind</translation>
    </message>
    <message>
        <source>Итог</source>
        <translation>Outcome</translation>
    </message>
</context>
<context>
    <name>admin::AddressLatencyColumns</name>
    <message>
        <source>Последний отклик (мс)</source>
        <translation>Last round trip (ms)</translation>
    </message>
    <message>
        <source>Медиана за 24 ч (мс)</source>
        <translation>Median, 24 h (ms)</translation>
    </message>
    <message>
        <source>Потери за 24 ч (%)</source>
        <translation>Loss, 24 h (%)</translation>
    </message>
</context>
<context>
    <name>admin::AddressParents</name>
    <message>
        <source>%1 стоит за %2: адрес не может стоять за самим собой.</source>
        <translation>%1 is behind %2: an address cannot be behind itself.</translation>
    </message>
</context>
<context>
    <name>admin::AdminRules</name>
    <message>
        <source>Время ожидания ответа не может быть больше %1 мс (одной минуты).</source>
        <translation>The reply timeout cannot be more than %1 ms (one minute).</translation>
    </message>
    <message>
        <source>«%1» — устаревшая запись IPv4-адреса: она читалась бы как %2. Запишите адрес четырьмя десятичными числами от 0 до 255 через точку, без ведущих нулей (например, 10.0.0.1).</source>
        <translation>“%1” is an outdated spelling of an IPv4 address: it would be read as %2. Write the address as four decimal numbers from 0 to 255 joined by dots, without leading zeros (for example, 10.0.0.1).</translation>
    </message>
</context>
<context>
    <name>admin::Availability</name>
    <message>
        <source>нет данных</source>
        <translation>no data</translation>
    </message>
</context>
<context>
    <name>admin::AvailabilityReport</name>
    <message>
        <source>Доступность адресов</source>
        <translation>Host availability</translation>
    </message>
    <message>
        <source>Период: %1</source>
        <translation>Period: %1</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Доступность</source>
        <translation>Availability</translation>
    </message>
    <message>
        <source>Сбоев</source>
        <translation>Outages</translation>
    </message>
    <message>
        <source>Время сбоев</source>
        <translation>Downtime</translation>
    </message>
    <message>
        <source>Самый долгий</source>
        <translation>Longest</translation>
    </message>
    <message>
        <source>Наблюдение</source>
        <translation>Watched</translation>
    </message>
    <message>
        <source>Без наблюдения</source>
        <translation>Unwatched</translation>
    </message>
    <message>
        <source>Не удалось прочитать плановые работы: %1</source>
        <translation>Could not read the planned maintenance: %1</translation>
    </message>
    <message>
        <source>Время плановых работ не считается ни доступностью, ни сбоем.</source>
        <translation>Planned maintenance time counts neither as available nor as down.</translation>
    </message>
    <message>
        <source>Плановые работы</source>
        <translation>Planned maintenance</translation>
    </message>
</context>
<context>
    <name>admin::CsvLines</name>
    <message>
        <source>Не удалось записать файл: %1</source>
        <translation>Cannot write the file: %1</translation>
    </message>
</context>
<context>
    <name>admin::CsvReader</name>
    <message>
        <source>текст после закрывающей кавычки</source>
        <translation>text after the closing quote</translation>
    </message>
    <message>
        <source>кавычка не закрыта до конца файла</source>
        <translation>a quote is not closed before the end of the file</translation>
    </message>
</context>
<context>
    <name>admin::LatencyExport</name>
    <message>
        <source>Не удалось прочитать задержки: %1</source>
        <translation>Cannot read the round trips: %1</translation>
    </message>
</context>
<context>
    <name>admin::OpenWithDialog</name>
    <message>
        <source>Выберите программу для открытия файла
%1</source>
        <translation>Choose a program to open the file
%1</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Обзор...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Открыть с помощью</source>
        <comment>window title</comment>
        <translation>Open With</translation>
    </message>
    <message>
        <source>Программа</source>
        <comment>window title</comment>
        <translation>Program</translation>
    </message>
</context>
<context>
    <name>admin::OutageExport</name>
    <message>
        <source>Не удалось прочитать журнал: %1</source>
        <translation>Cannot read the log: %1</translation>
    </message>
    <message>
        <source>Не удалось создать файл %1: %2</source>
        <translation>Cannot create the file %1: %2</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1: %2</source>
        <translation>Cannot write the file %1: %2</translation>
    </message>
</context>
<context>
    <name>admin::OutageLog</name>
    <message>
        <source>Обрывов: %1, открыто: %2</source>
        <translation>Outages: %1, open: %2</translation>
    </message>
    <message>
        <source>; закрытые: всего %1, дольше всех %2</source>
        <translation>; closed: %1 in all, longest %2</translation>
    </message>
</context>
<context>
    <name>admin::OutageLogModel</name>
    <message>
        <source>Без сигнала: %1</source>
        <translation>No alert: %1</translation>
    </message>
    <message>
        <source>Путь в начале отказа:</source>
        <translation>Path when the outage began:</translation>
    </message>
</context>
<context>
    <name>admin::ParentChoice</name>
    <message>
        <source>нет</source>
        <translation>none</translation>
    </message>
</context>
<context>
    <name>admin::PathExport</name>
    <message>
        <source>Не удалось прочитать пути сбоев: %1</source>
        <translation>Could not read the outages&apos; paths: %1</translation>
    </message>
</context>
<context>
    <name>admin::VantageExport</name>
    <message>
        <source>Не удалось прочитать сбои наблюдательных пунктов: %1</source>
        <translation>Cannot read the vantage points’ outages: %1</translation>
    </message>
</context>
<context>
    <name>admin::frmAdd</name>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>IP адрес:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>Описание:</source>
        <translation>Description:</translation>
    </message>
    <message>
        <source>Время ожидания ответа(ms):</source>
        <translation>Reply timeout (ms):</translation>
    </message>
    <message>
        <source>Нет Ip адреса!</source>
        <translation>No IP address!</translation>
    </message>
    <message>
        <source>Не удалось проверить адрес.</source>
        <translation>Cannot check the address.</translation>
    </message>
    <message>
        <source>Запись с этим IP уже существует!</source>
        <translation>A record with this IP already exists!</translation>
    </message>
    <message>
        <source>Не удалось добавить адрес.</source>
        <translation>Cannot add the address.</translation>
    </message>
    <message>
        <source>Добавить</source>
        <comment>window title</comment>
        <translation>Add</translation>
    </message>
    <message>
        <source>За адресом:</source>
        <translation>Behind:</translation>
    </message>
    <message>
        <source>Адрес добавлен, но не записано, за каким адресом он стоит.</source>
        <translation>The address was added, but the address it is behind was not saved.</translation>
    </message>
    <message>
        <source>Не удалось прочитать список адресов.</source>
        <translation>Cannot read the address list.</translation>
    </message>
</context>
<context>
    <name>admin::frmAlertChannel</name>
    <message>
        <source>задан; пусто — оставить как есть</source>
        <translation>set; leave empty to keep it</translation>
    </message>
    <message>
        <source>Канал оповещений</source>
        <translation>Alert channel</translation>
    </message>
    <message>
        <source>Программа</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>Веб-запрос</source>
        <translation>Webhook</translation>
    </message>
    <message>
        <source>Электронная почта</source>
        <translation>E-mail</translation>
    </message>
    <message>
        <source>Имя:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Вид:</source>
        <translation>Kind:</translation>
    </message>
    <message>
        <source>Программа:</source>
        <translation>Program:</translation>
    </message>
    <message>
        <source>Аргументы
(по одному в строке):</source>
        <translation>Arguments
(one per line):</translation>
    </message>
    <message>
        <source> (пусто — оставить как есть)</source>
        <translation> (leave empty to keep it)</translation>
    </message>
    <message>
        <source>Адрес (URL):</source>
        <translation>Address (URL):</translation>
    </message>
    <message>
        <source>Форма:</source>
        <translation>Form:</translation>
    </message>
    <message>
        <source>Чат Telegram:</source>
        <translation>Telegram chat:</translation>
    </message>
    <message>
        <source>Ключ (необязательно):</source>
        <translation>Token (optional):</translation>
    </message>
    <message>
        <source>Кому:</source>
        <translation>To:</translation>
    </message>
    <message>
        <source>Почтовый сервер:</source>
        <translation>Mail server:</translation>
    </message>
    <message>
        <source>Пользователь:</source>
        <translation>User:</translation>
    </message>
    <message>
        <source>Пароль:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>От кого:</source>
        <translation>From:</translation>
    </message>
    <message>
        <source>Файл сертификатов УЦ:</source>
        <translation>CA certificate file:</translation>
    </message>
    <message>
        <source>Напоминать каждые</source>
        <translation>Remind every</translation>
    </message>
    <message>
        <source> мин</source>
        <translation> min</translation>
    </message>
    <message>
        <source>События:</source>
        <translation>Events:</translation>
    </message>
    <message>
        <source>Нет соединения</source>
        <translation>No connection</translation>
    </message>
    <message>
        <source>Соединение восстановлено</source>
        <translation>Connection restored</translation>
    </message>
</context>
<context>
    <name>admin::frmAlerts</name>
    <message>
        <source>напоминание (%1 мин)</source>
        <translation>reminder (%1 min)</translation>
    </message>
    <message>
        <source>Оповещения</source>
        <translation>Alerts</translation>
    </message>
    <message>
        <source>Каналы оповещений:</source>
        <translation>Alert channels:</translation>
    </message>
    <message>
        <source>Имя</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Вид</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>События</source>
        <translation>Events</translation>
    </message>
    <message>
        <source>Куда</source>
        <translation>Where</translation>
    </message>
    <message>
        <source>Добавить...</source>
        <translation>Add...</translation>
    </message>
    <message>
        <source>Изменить...</source>
        <translation>Change...</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Проверить</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Обновить</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Журнал доставки:</source>
        <translation>Delivery log:</translation>
    </message>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Канал</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>Событие</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>Итог</source>
        <translation>Outcome</translation>
    </message>
    <message>
        <source>Подробности</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>Не удалось прочитать каналы оповещений.</source>
        <translation>Could not read the alert channels.</translation>
    </message>
    <message>
        <source>программа</source>
        <translation>program</translation>
    </message>
    <message>
        <source>веб-запрос</source>
        <translation>webhook</translation>
    </message>
    <message>
        <source>почта</source>
        <translation>e-mail</translation>
    </message>
    <message>
        <source>Не удалось добавить канал.</source>
        <translation>Could not add the channel.</translation>
    </message>
    <message>
        <source>Не удалось сохранить канал.</source>
        <translation>Could not save the channel.</translation>
    </message>
    <message>
        <source>Удалить канал «%1» и его неотправленные сообщения?</source>
        <translation>Remove the channel “%1” and its undelivered messages?</translation>
    </message>
    <message>
        <source>Не удалось удалить канал.</source>
        <translation>Could not remove the channel.</translation>
    </message>
    <message>
        <source>Отправляется проверочное сообщение в «%1»...</source>
        <translation>Sending a test message to “%1”...</translation>
    </message>
    <message>
        <source>«%1»: доставлено (%2)</source>
        <translation>“%1”: delivered (%2)</translation>
    </message>
    <message>
        <source>«%1»: не доставлено: %2</source>
        <translation>“%1”: not delivered: %2</translation>
    </message>
</context>
<context>
    <name>admin::frmAvailability</name>
    <message>
        <source>Доступность</source>
        <comment>window title</comment>
        <translation>Availability</translation>
    </message>
    <message>
        <source>Последние 24 часа</source>
        <translation>Last 24 hours</translation>
    </message>
    <message>
        <source>Последние 7 дней</source>
        <translation>Last 7 days</translation>
    </message>
    <message>
        <source>Последние 30 дней</source>
        <translation>Last 30 days</translation>
    </message>
    <message>
        <source>Календарный месяц</source>
        <translation>Calendar month</translation>
    </message>
    <message>
        <source>Календарный год</source>
        <translation>Calendar year</translation>
    </message>
    <message>
        <source>С … по …</source>
        <translation>From … to …</translation>
    </message>
    <message>
        <source>Рассчитать</source>
        <translation>Compute</translation>
    </message>
    <message>
        <source>Сохранить PDF...</source>
        <translation>Save PDF...</translation>
    </message>
    <message>
        <source>Сохранить HTML...</source>
        <translation>Save HTML...</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Доступность</source>
        <translation>Availability</translation>
    </message>
    <message>
        <source>Сбоев</source>
        <translation>Outages</translation>
    </message>
    <message>
        <source>Время сбоев</source>
        <translation>Downtime</translation>
    </message>
    <message>
        <source>Самый долгий</source>
        <translation>Longest</translation>
    </message>
    <message>
        <source>Среднее восстановление</source>
        <translation>Mean time to restore</translation>
    </message>
    <message>
        <source>Между сбоями</source>
        <translation>Mean time between failures</translation>
    </message>
    <message>
        <source>Без наблюдения</source>
        <translation>Unwatched</translation>
    </message>
    <message>
        <source>Начало</source>
        <translation>Begin</translation>
    </message>
    <message>
        <source>Конец</source>
        <translation>End</translation>
    </message>
    <message>
        <source>Длительность</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Период: %1 (считается...)</source>
        <translation>Period: %1 (computing...)</translation>
    </message>
    <message>
        <source>Не удалось рассчитать доступность: %1</source>
        <translation>Cannot compute the availability: %1</translation>
    </message>
    <message>
        <source>Период: %1</source>
        <translation>Period: %1</translation>
    </message>
    <message>
        <source>Не удалось прочитать сбои: %1</source>
        <translation>Cannot read the outages: %1</translation>
    </message>
    <message>
        <source>продолжается</source>
        <translation>ongoing</translation>
    </message>
    <message>
        <source>Сохранить отчёт о доступности</source>
        <comment>window title</comment>
        <translation>Save Availability Report</translation>
    </message>
    <message>
        <source>Не удалось сохранить отчёт %1: %2</source>
        <translation>Cannot save the report %1: %2</translation>
    </message>
    <message>
        <source>Не учитывать плановые работы</source>
        <translation>Leave out planned maintenance</translation>
    </message>
    <message>
        <source>Время в окнах плановых работ адреса не считается ни доступностью, ни сбоем</source>
        <translation>Time inside the address&apos;s maintenance windows counts neither as available nor as down</translation>
    </message>
    <message>
        <source>Плановые работы</source>
        <translation>Planned maintenance</translation>
    </message>
</context>
<context>
    <name>admin::frmClearLog</name>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Удалить все записи старее: </source>
        <translation>Delete all records older than: </translation>
    </message>
    <message>
        <source>Вы уверенны, что хотите удалить 
все записи старее %1?</source>
        <translation>Are you sure you want to delete 
all records older than %1?</translation>
    </message>
    <message>
        <source>Записи не удалены.</source>
        <translation>The records were not deleted.</translation>
    </message>
    <message>
        <source>Записи удалены.</source>
        <translation>The records have been deleted.</translation>
    </message>
    <message>
        <source>Очистить лог</source>
        <comment>window title</comment>
        <translation>Clear Log</translation>
    </message>
</context>
<context>
    <name>admin::frmDel</name>
    <message>
        <source>Удалить из базы IP адрес :</source>
        <translation>Delete the IP address from the database:</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Нет IP адреса!</source>
        <translation>No IP address!</translation>
    </message>
    <message>
        <source>Не удалось удалить адрес.</source>
        <translation>Cannot delete the address.</translation>
    </message>
    <message>
        <source>Запись с таким IP удалена.</source>
        <translation>The record with this IP has been deleted.</translation>
    </message>
    <message>
        <source>Удаление</source>
        <comment>window title</comment>
        <translation>Delete</translation>
    </message>
    <message>
        <source>За адресом %1 стоят другие адреса (%2). Перенести их за %3, за которым стоит он сам?
«Да» — перенести, «Нет» — оставить их без родительского адреса.</source>
        <translation>Other addresses (%2) are behind %1. Move them behind %3, which it is itself behind?
&quot;Yes&quot; moves them, &quot;No&quot; leaves them without a parent address.</translation>
    </message>
    <message>
        <source>За адресом %1 стоят другие адреса (%2). Они останутся без родительского адреса. Удалить?</source>
        <translation>Other addresses (%2) are behind %1. They will be left without a parent address. Delete?</translation>
    </message>
</context>
<context>
    <name>admin::frmEdAdr</name>
    <message>
        <source>Редактирование аттрибутов адреса</source>
        <translation>Editing the address&apos;s attributes</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Адрес:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>Описание:</source>
        <translation>Description:</translation>
    </message>
    <message>
        <source>Время ожидания ответа(ms):</source>
        <translation>Reply timeout (ms):</translation>
    </message>
    <message>
        <source>Не удалось прочитать список адресов.</source>
        <translation>Cannot read the address list.</translation>
    </message>
    <message>
        <source>Не удалось прочитать адрес.</source>
        <translation>Cannot read the address.</translation>
    </message>
    <message>
        <source>Изменений небыло.</source>
        <translation>Nothing was changed.</translation>
    </message>
    <message>
        <source>Изменения не записаны.</source>
        <translation>The changes were not saved.</translation>
    </message>
    <message>
        <source>Изменения не записаны: адреса «%1» нет в базе.</source>
        <translation>The changes were not saved: the address “%1” is not in the database.</translation>
    </message>
    <message>
        <source>Изменения записанны.</source>
        <translation>The changes have been saved.</translation>
    </message>
    <message>
        <source>Редактирование</source>
        <comment>window title</comment>
        <translation>Edit</translation>
    </message>
    <message>
        <source>За адресом:</source>
        <translation>Behind:</translation>
    </message>
    <message>
        <source>Не удалось прочитать, за каким адресом стоит этот адрес.</source>
        <translation>Cannot read which address this address is behind.</translation>
    </message>
    <message>
        <source>Адрес %1 сам стоит за %2: выберите другой адрес или «нет».</source>
        <translation>Address %1 is itself behind %2: choose another address or &quot;none&quot;.</translation>
    </message>
    <message>
        <source>Не записано, за каким адресом стоит адрес.</source>
        <translation>The address it is behind was not saved.</translation>
    </message>
</context>
<context>
    <name>admin::frmImport</name>
    <message>
        <source>Импорт адресов</source>
        <comment>window title</comment>
        <translation>Import Addresses</translation>
    </message>
    <message>
        <source>Строки CSV: address,description,timeout_ms,parent (первая строка может называть столбцы). Вставьте их сюда или откройте файл.</source>
        <translation>CSV lines: address,description,timeout_ms,parent (the first line may name the columns). Paste them here or open a file.</translation>
    </message>
    <message>
        <source>Удалить из базы адреса, которых нет в списке</source>
        <translation>Delete the addresses the list does not name</translation>
    </message>
    <message>
        <source>Файл...</source>
        <translation>File...</translation>
    </message>
    <message>
        <source>Проверить</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>Импортировать</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Файлы CSV (*.csv);;Все файлы (*)</source>
        <translation>CSV files (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>Не удалось открыть файл %1.</source>
        <translation>Cannot open the file %1.</translation>
    </message>
    <message>
        <source>Не удалось прочитать файл %1.</source>
        <translation>Cannot read the file %1.</translation>
    </message>
    <message>
        <source>Не удалось прочитать список адресов.</source>
        <translation>Cannot read the address list.</translation>
    </message>
    <message>
        <source>Новых: %1, изменится: %2, без изменений: %3, отклонено: %4.</source>
        <translation>New: %1, changing: %2, unchanged: %3, refused: %4.</translation>
    </message>
    <message>
        <source>Будет удалено адресов: %1.</source>
        <translation>Addresses to delete: %1.</translation>
    </message>
    <message>
        <source>Список адресов в базе изменился после проверки. Просмотрите итог ещё раз.</source>
        <translation>The address list in the database changed after the check. Review the outcome again.</translation>
    </message>
    <message>
        <source>Отклонено строк: %1. Записать остальные?</source>
        <translation>Lines refused: %1. Save the others?</translation>
    </message>
    <message>
        <source>Из базы будет удалено адресов, которых нет в списке: %1. Удалить их?</source>
        <translation>Addresses the list does not name will be deleted from the database: %1. Delete them?</translation>
    </message>
    <message>
        <source>Адреса не записаны.</source>
        <translation>The addresses were not saved.</translation>
    </message>
    <message>
        <source>Добавлено: %1, изменено: %2, удалено: %3.</source>
        <translation>Added: %1, changed: %2, deleted: %3.</translation>
    </message>
</context>
<context>
    <name>admin::frmMain</name>
    <message>
        <source>Не удалось прочитать журнал.</source>
        <translation>Cannot read the log.</translation>
    </message>
    <message>
        <source>Программа</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>Начать проверку</source>
        <translation>Start monitoring</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>База</source>
        <translation>Database</translation>
    </message>
    <message>
        <source>Журнал</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>Экспорт журнала...</source>
        <translation>Export log...</translation>
    </message>
    <message>
        <source>Просмотр адресов</source>
        <translation>View addresses</translation>
    </message>
    <message>
        <source>Добавить адрес</source>
        <translation>Add address</translation>
    </message>
    <message>
        <source>Редактир адрес</source>
        <translation>Edit address</translation>
    </message>
    <message>
        <source>Удалить  адрес</source>
        <translation>Delete address</translation>
    </message>
    <message>
        <source>Очистить лог</source>
        <translation>Clear log</translation>
    </message>
    <message>
        <source>Сервис</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>Обновить статистику</source>
        <translation>Refresh statistics</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Не удалось открыть базу данных.</source>
        <translation>Cannot open the database.</translation>
    </message>
    <message>
        <source>Не удалось прочитать настройки.</source>
        <translation>Cannot read the settings.</translation>
    </message>
    <message>
        <source>Не удалось подсчитать журнал.</source>
        <translation>Cannot count the log.</translation>
    </message>
    <message>
        <source>Не удалось прочитать список адресов.</source>
        <translation>Cannot read the address list.</translation>
    </message>
    <message>
        <source>Не удалось запустить программу %1.</source>
        <translation>Cannot start the program %1.</translation>
    </message>
    <message>
        <source>Файлы CSV (*.csv);;Все файлы (*)</source>
        <translation>CSV files (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>Не удалось экспортировать журнал.</source>
        <translation>Cannot export the log.</translation>
    </message>
    <message>
        <source>Экспорт журнала в %1</source>
        <translation>Exporting the log to %1</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>№     |Время обрыва         |Время восстанов.  |Описание                                         |Ip-адрес              </source>
        <translation>#     |Connection lost      |Restored          |Description                                      |IP address            </translation>
    </message>
    <message>
        <source>|Описание                                         |Ip-адрес              |Таймаут (мс)</source>
        <translation>|Description                                      |IP address            |Timeout (ms)</translation>
    </message>
    <message>
        <source>Экспорт журнала</source>
        <comment>window title</comment>
        <translation>Export Log</translation>
    </message>
    <message>
        <source>Журнал хранится в базе данных %1. Откройте её программой для PostgreSQL (например, psql или pgAdmin).</source>
        <translation>The log is kept in the database %1. Open it with a PostgreSQL program (for example psql or pgAdmin).</translation>
    </message>
    <message>
        <source>Найти адрес или описание</source>
        <translation>Find an address or description</translation>
    </message>
    <message>
        <source>Импорт адресов...</source>
        <translation>Import addresses...</translation>
    </message>
    <message>
        <source>Экспорт адресов...</source>
        <translation>Export addresses...</translation>
    </message>
    <message>
        <source>Экспорт адресов</source>
        <comment>window title</comment>
        <translation>Export Addresses</translation>
    </message>
    <message>
        <source>Не удалось экспортировать адреса.</source>
        <translation>Cannot export the addresses.</translation>
    </message>
    <message>
        <source>|Описание                                         |Ip-адрес              |Таймаут (мс)|За адресом            </source>
        <translation>|Description                                      |IP address            |Timeout (ms)|Behind                </translation>
    </message>
    <message>
        <source>Доступность</source>
        <translation>Availability</translation>
    </message>
    <message>
        <source>Оповещения</source>
        <translation>Alerts</translation>
    </message>
    <message>
        <source>Найти: адрес или описание</source>
        <translation>Find: address or description</translation>
    </message>
    <message>
        <source>Показывать причины тишины</source>
        <translation>Show why alerts stayed silent</translation>
    </message>
    <message>
        <source>№     |Время обрыва         |Время восстанов.  |Описание                                         |Ip-адрес              |Причина тишины        </source>
        <translation>#     |Connection lost      |Restored          |Description                                      |IP address            |Why silent            </translation>
    </message>
    <message>
        <source>Показывать длительность</source>
        <translation>Show duration</translation>
    </message>
    <message>
        <source>Задержка и потери...</source>
        <translation>Round trip and loss...</translation>
    </message>
    <message>
        <source>|Длительность    </source>
        <translation>|Duration        </translation>
    </message>
    <message>
        <source>Пороги задержки для доски всех узлов...</source>
        <translation>Round-trip thresholds of the All hosts board...</translation>
    </message>
    <message>
        <source>Наблюдательные пункты</source>
        <translation>Vantage Points</translation>
    </message>
</context>
<context>
    <name>admin::frmOpt</name>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Показывать окно при отсутствии соединения:</source>
        <translation>Show the window when a connection is lost:</translation>
    </message>
    <message>
        <source>Звук</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>при обрыве:</source>
        <translation>on loss:</translation>
    </message>
    <message>
        <source>при восстановлении:</source>
        <translation>on recovery:</translation>
    </message>
    <message>
        <source>Интервал обновления (мин):</source>
        <translation>Check interval (min):</translation>
    </message>
    <message>
        <source>Сохранить и закрыть</source>
        <translation>Save and close</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Интервал обновления «%1» не подходит: нужно целое число минут от %2 до %3 (один год).
Введите другое число; настройки в таблице options не изменены.</source>
        <translation>The check interval “%1” does not fit: it must be a whole number of minutes from %2 to %3 (one year).
Enter another number; the settings in the options table are unchanged.</translation>
    </message>
    <message>
        <source>Не удалось сохранить настройки в таблицу options; сохранённые значения не изменены. Проверьте файл базы данных и сохраните снова.</source>
        <translation>Cannot save the settings to the options table; the saved values are unchanged. Check the database file and save again.</translation>
    </message>
    <message>
        <source>Изменения вступят в силу после перезапуска программы Orvant.</source>
        <translation>The changes take effect when Orvant is restarted.</translation>
    </message>
    <message>
        <source>Настройки</source>
        <comment>window title</comment>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Хранение задержек и потерь</source>
        <translation>Keeping round trips and loss</translation>
    </message>
    <message>
        <source>Каждый замер (дней):</source>
        <translation>Every sample (days):</translation>
    </message>
    <message>
        <source>Почасовые итоги (лет):</source>
        <translation>Hourly summaries (years):</translation>
    </message>
    <message>
        <source>Суточные итоги хранятся всегда.</source>
        <translation>Daily summaries are kept for ever.</translation>
    </message>
    <message>
        <source>Не удалось сохранить сроки хранения задержек и потерь; сохранённые значения не изменены.</source>
        <translation>Cannot save how long round trips and loss are kept; the saved values are unchanged.</translation>
    </message>
    <message>
        <source>Сигналы</source>
        <translation>Alerts</translation>
    </message>
    <message>
        <source>Не подавать сигналы о неустойчивых адресах</source>
        <translation>No alerts for unstable addresses</translation>
    </message>
    <message>
        <source>Сигнал после проверок подряд без ответа:</source>
        <translation>Alert after this many checks in a row without an answer:</translation>
    </message>
    <message>
        <source>неустойчив, если состояние менялось в (из 21 проверки):</source>
        <translation>unstable when the state changed in (of 21 checks):</translation>
    </message>
    <message>
        <source>устойчив снова, если меньше чем в:</source>
        <translation>stable again when in fewer than:</translation>
    </message>
    <message>
        <source>Тишина и плановые работы...</source>
        <translation>Muting and maintenance...</translation>
    </message>
    <message>
        <source>Не удалось сохранить настройки сигналов: %1</source>
        <translation>Could not save the alert settings: %1</translation>
    </message>
</context>
<context>
    <name>admin::frmQuiet</name>
    <message>
        <source>все адреса</source>
        <translation>all addresses</translation>
    </message>
    <message>
        <source>Тишина и плановые работы</source>
        <comment>window title</comment>
        <translation>Silence and Planned Work</translation>
    </message>
    <message>
        <source>на 15 минут</source>
        <translation>for 15 minutes</translation>
    </message>
    <message>
        <source>на 1 час</source>
        <translation>for 1 hour</translation>
    </message>
    <message>
        <source>на 4 часа</source>
        <translation>for 4 hours</translation>
    </message>
    <message>
        <source>до завтра 08:00</source>
        <translation>until 08:00 tomorrow</translation>
    </message>
    <message>
        <source>до включения</source>
        <translation>until unmuted</translation>
    </message>
    <message>
        <source>Адрес:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>Сигналы отключены</source>
        <translation>Alerts muted</translation>
    </message>
    <message>
        <source>Отключить сигналы</source>
        <translation>Mute alerts</translation>
    </message>
    <message>
        <source>Включить выбранные</source>
        <translation>Unmute selected</translation>
    </message>
    <message>
        <source>Плановые работы (каждую неделю)</source>
        <translation>Planned maintenance (every week)</translation>
    </message>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Удалить выбранные</source>
        <translation>Remove selected</translation>
    </message>
    <message>
        <source>с</source>
        <translation>from</translation>
    </message>
    <message>
        <source>до</source>
        <translation>to</translation>
    </message>
    <message>
        <source>Не удалось изменить список: %1</source>
        <translation>Could not change the list: %1</translation>
    </message>
    <message>
        <source>Не удалось прочитать: %1</source>
        <translation>Could not read: %1</translation>
    </message>
    <message>
        <source>Отметьте дни недели, в которые начинаются работы.</source>
        <translation>Tick the weekdays on which the work starts.</translation>
    </message>
</context>
<context>
    <name>admin::frmRttThresholds</name>
    <message>
        <source>Пороги задержки</source>
        <translation>Round-Trip Thresholds</translation>
    </message>
    <message>
        <source>С какой задержки (мс) доска всех узлов считает узел медленным (жёлтый) и очень медленным (красный).</source>
        <translation>The round trip (ms) from which the All hosts board shows a host as slow (yellow) and as very slow (red).</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Медленно с, мс</source>
        <translation>Slow from, ms</translation>
    </message>
    <message>
        <source>Очень медленно с, мс</source>
        <translation>Very slow from, ms</translation>
    </message>
    <message>
        <source>Не удалось записать пороги: %1</source>
        <translation>Could not write the thresholds: %1</translation>
    </message>
    <message>
        <source>Не удалось прочитать пороги: %1</source>
        <translation>Could not read the thresholds: %1</translation>
    </message>
    <message>
        <source>%1: пороги — целые миллисекунды, 1 ≤ медленно ≤ очень медленно ≤ %2.</source>
        <translation>%1: thresholds are whole milliseconds, 1 ≤ slow ≤ very slow ≤ %2.</translation>
    </message>
</context>
<context>
    <name>admin::frmVantages</name>
    <message>
        <source>Наблюдательные пункты</source>
        <translation>Vantage Points</translation>
    </message>
    <message>
        <source>Пункт</source>
        <translation>Vantage</translation>
    </message>
    <message>
        <source>Последний проход</source>
        <translation>Last pass</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Интервал, с</source>
        <translation>Interval, s</translation>
    </message>
    <message>
        <source>Компьютер</source>
        <translation>Machine</translation>
    </message>
    <message>
        <source>Журнал</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>Правило (all, any или число):</source>
        <translation>Rule (all, any or a number):</translation>
    </message>
    <message>
        <source>Сохранить правило</source>
        <translation>Save rule</translation>
    </message>
    <message>
        <source>Обновить</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Наблюдательные пункты не прочитаны.</source>
        <translation>The vantage points were not read.</translation>
    </message>
    <message>
        <source>работает</source>
        <translation>live</translation>
    </message>
    <message>
        <source>молчит</source>
        <translation>stale</translation>
    </message>
    <message>
        <source>ведёт</source>
        <translation>writer</translation>
    </message>
    <message>
        <source>Правило — all, any или число от 1 до %1.</source>
        <translation>The rule is all, any or a number from 1 to %1.</translation>
    </message>
    <message>
        <source>Правило не сохранено.</source>
        <translation>The rule was not saved.</translation>
    </message>
</context>
<context>
    <name>admin::main</name>
    <message>
        <source>Программа уже запущена!</source>
        <translation>The program is already running!</translation>
    </message>
</context>
<context>
    <name>alerts::AlertChannel</name>
    <message>
        <source>, пароль задан</source>
        <translation>, password set</translation>
    </message>
    <message>
        <source>программа: %1</source>
        <translation>program: %1</translation>
    </message>
    <message>
        <source>веб-запрос (%1): %2</source>
        <translation>webhook (%1): %2</translation>
    </message>
    <message>
        <source>, ключ задан</source>
        <translation>, token set</translation>
    </message>
    <message>
        <source>почта: %1 через %2</source>
        <translation>e-mail: %1 via %2</translation>
    </message>
    <message>
        <source>Не задано имя канала</source>
        <translation>The channel has no name</translation>
    </message>
    <message>
        <source>Не задана программа</source>
        <translation>No program given</translation>
    </message>
    <message>
        <source>Адрес веб-запроса должен начинаться с http:// или https://</source>
        <translation>A webhook address must begin with http:// or https://</translation>
    </message>
    <message>
        <source>Для Telegram нужен номер чата</source>
        <translation>Telegram needs a chat id</translation>
    </message>
    <message>
        <source>Не задан адрес получателя</source>
        <translation>No recipient address given</translation>
    </message>
    <message>
        <source>Почтовый сервер задаётся как smtp://узел:587 или smtps://узел:465</source>
        <translation>Give the mail server as smtp://host:587 or smtps://host:465</translation>
    </message>
    <message>
        <source>Ключ передаётся только по https: адрес %1 не защищён, и ключ прочитал бы любой на пути запроса. Укажите адрес https://</source>
        <translation>A token is sent over https only: the address %1 is not protected, and anyone on the way could read the token. Give an https:// address</translation>
    </message>
</context>
<context>
    <name>alerts::AlertText</name>
    <message>
        <source>Проверка: </source>
        <translation>Test: </translation>
    </message>
    <message>
        <source>Это проверочное сообщение Orvant: канал работает.</source>
        <translation>This is a test message from Orvant: the channel works.</translation>
    </message>
    <message>
        <source> (за ним ещё узлов: %1)</source>
        <translation> (hosts behind it: %1)</translation>
    </message>
    <message>
        <source>Проверка канала</source>
        <translation>Channel test</translation>
    </message>
    <message>
        <source>Нет соединения: %1</source>
        <translation>No connection: %1</translation>
    </message>
    <message>
        <source>Соединение восстановлено: %1</source>
        <translation>Connection restored: %1</translation>
    </message>
    <message>
        <source>Всё ещё нет соединения: %1</source>
        <translation>Still no connection: %1</translation>
    </message>
    <message numerus="yes">
        <source>Нет соединения: %n адр.</source>
        <translation>
            <numerusform>No connection: %n address</numerusform>
            <numerusform>No connection: %n addresses</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Соединение восстановлено: %n адр.</source>
        <translation>
            <numerusform>Connection restored: %n address</numerusform>
            <numerusform>Connection restored: %n addresses</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Всё ещё нет соединения: %n адр.</source>
        <translation>
            <numerusform>Still no connection: %n address</numerusform>
            <numerusform>Still no connection: %n addresses</numerusform>
        </translation>
    </message>
    <message>
        <source>%1: нет соединения с %2</source>
        <translation>%1: no connection since %2</translation>
    </message>
    <message>
        <source>%1: соединение восстановлено в %2, простой %3</source>
        <translation>%1: connection restored at %2, down for %3</translation>
    </message>
    <message>
        <source>%1: соединение восстановлено в %2</source>
        <translation>%1: connection restored at %2</translation>
    </message>
    <message>
        <source>%1: нет соединения с %2, уже %3</source>
        <translation>%1: no connection since %2, for %3 now</translation>
    </message>
    <message>
        <source>нет соединения</source>
        <translation>no connection</translation>
    </message>
    <message>
        <source>соединение восстановлено</source>
        <translation>connection restored</translation>
    </message>
    <message>
        <source>напоминание</source>
        <translation>reminder</translation>
    </message>
    <message>
        <source>доставлено</source>
        <translation>delivered</translation>
    </message>
    <message>
        <source>не доставлено, повтор</source>
        <translation>not delivered, will retry</translation>
    </message>
    <message>
        <source>не доставлено, отменено</source>
        <translation>not delivered, given up</translation>
    </message>
    <message>
        <source>проверка: доставлено</source>
        <translation>test: delivered</translation>
    </message>
    <message>
        <source>проверка: не доставлено</source>
        <translation>test: not delivered</translation>
    </message>
    <message>
        <source>  Путь в начале отказа:</source>
        <translation>  Path when the outage began:</translation>
    </message>
    <message>
        <source>  видят недоступным: %1</source>
        <translation>  down for vantages: %1</translation>
    </message>
</context>
<context>
    <name>alerts::DeliveryQueue</name>
    <message>
        <source>сообщение повреждено</source>
        <translation>the message is damaged</translation>
    </message>
    <message>
        <source>Пароль или ключ канала %1 перенесён из базы данных в файл %2. В базе данных его могли прочитать другие пользователи: смените его.</source>
        <translation>The password or token of the channel %1 was moved out of the database into a file in %2. Other users could read it in the database: change it.</translation>
    </message>
</context>
<context>
    <name>alerts::Dispatcher</name>
    <message>
        <source>программа остановлена через %1 с</source>
        <translation>program killed after %1 s</translation>
    </message>
    <message>
        <source>не удалось запустить программу: %1</source>
        <translation>cannot start the program: %1</translation>
    </message>
    <message>
        <source>код завершения %1</source>
        <translation>exit status %1</translation>
    </message>
    <message>
        <source>программа завершилась аварийно</source>
        <translation>the program crashed</translation>
    </message>
    <message>
        <source>в файле %1 нет сертификата</source>
        <translation>no certificate in the file %1</translation>
    </message>
    <message>
        <source>HTTP %1, ответ оборван: %2</source>
        <translation>HTTP %1, answer cut off: %2</translation>
    </message>
</context>
<context>
    <name>alerts::MailSender</name>
    <message>
        <source>отправка прервана: программа завершается</source>
        <translation>sending stopped: the program is ending</translation>
    </message>
    <message>
        <source>отправка через %1 не закончилась за %2 с (последний шаг: %3)</source>
        <translation>sending through %1 did not end within %2 s (last step: %3)</translation>
    </message>
    <message>
        <source>сервер %1 не ответил за %2 с на шаге %3: письмо не считается отправленным</source>
        <translation>the server %1 did not answer within %2 s at the step %3: the mail does not count as sent</translation>
    </message>
    <message>
        <source>сервер %1 не предлагает STARTTLS: пароль открытым текстом не отправляется, вход не выполнен. Нужен сервер с STARTTLS или адрес smtps://</source>
        <translation>the server %1 offers no STARTTLS: a password is never sent in the clear, so no login was made. Use a server with STARTTLS or an smtps:// address</translation>
    </message>
    <message>
        <source>сервер %1 не установил защищённое соединение (STARTTLS)</source>
        <translation>the server %1 did not set up a secure connection (STARTTLS)</translation>
    </message>
    <message>
        <source>сервер %1 отклонил вход: проверьте пользователя и пароль</source>
        <translation>the server %1 refused the login: check the user and the password</translation>
    </message>
    <message>
        <source>почтовый сервер %1 не найден</source>
        <translation>the mail server %1 was not found</translation>
    </message>
    <message>
        <source>не удалось соединиться с почтовым сервером %1</source>
        <translation>cannot connect to the mail server %1</translation>
    </message>
    <message>
        <source>почтовый сервер %1 не ответил вовремя (шаг %2)</source>
        <translation>the mail server %1 did not answer in time (step %2)</translation>
    </message>
    <message>
        <source>сертификат почтового сервера %1 не подтверждён</source>
        <translation>the certificate of the mail server %1 could not be verified</translation>
    </message>
    <message>
        <source>не удалось установить защищённое соединение с %1</source>
        <translation>cannot set up a secure connection to %1</translation>
    </message>
    <message>
        <source>соединение с почтовым сервером %1 прервано (шаг %2)</source>
        <translation>the connection to the mail server %1 broke off (step %2)</translation>
    </message>
    <message>
        <source>почтовый сервер %1 не принял письмо (шаг %2)</source>
        <translation>the mail server %1 did not accept the mail (step %2)</translation>
    </message>
    <message>
        <source>не удалось начать сеанс libcurl</source>
        <translation>cannot start a libcurl session</translation>
    </message>
</context>
<context>
    <name>alerts::SecretFile</name>
    <message>
        <source>не задан файл с паролем или ключом</source>
        <translation>no file with the password or token given</translation>
    </message>
    <message>
        <source>не удалось прочитать файл %1 с паролем или ключом: %2</source>
        <translation>cannot read the password or token file %1: %2</translation>
    </message>
    <message>
        <source>%1 — не обычный файл: пароль или ключ читается только из файла</source>
        <translation>%1 is not a regular file: a password or token is read from a file only</translation>
    </message>
    <message>
        <source>файл %1 доступен не только владельцу (права %2): пароль или ключ в нём могут прочитать другие пользователи. Оставьте доступ только владельцу: chmod 600 &quot;%1&quot;</source>
        <translation>the file %1 is open to more than its owner (mode %2): other users could read the password or token in it. Leave it to its owner alone: chmod 600 &quot;%1&quot;</translation>
    </message>
    <message>
        <source>файл %1 слишком велик для пароля или ключа</source>
        <translation>the file %1 is too large for a password or token</translation>
    </message>
    <message>
        <source>в файле %1 нет пароля или ключа (первая строка пуста)</source>
        <translation>the file %1 holds no password or token (its first line is empty)</translation>
    </message>
    <message>
        <source>не найдена папка настроек пользователя (не задан HOME): пароль или ключ некуда сохранить</source>
        <translation>the user&apos;s configuration folder was not found (HOME is not set): there is nowhere to keep the password or token</translation>
    </message>
    <message>
        <source>не удалось создать папку %1 для паролей и ключей</source>
        <translation>cannot make the folder %1 for passwords and tokens</translation>
    </message>
    <message>
        <source>не удалось закрыть папку %1 от других пользователей: %2</source>
        <translation>cannot close the folder %1 to other users: %2</translation>
    </message>
    <message>
        <source>не удалось записать файл %1: %2</source>
        <translation>cannot write the file %1: %2</translation>
    </message>
</context>
<context>
    <name>grapher::ChartControl</name>
    <message>
        <source>время</source>
        <translation>time</translation>
    </message>
    <message>
        <source>кол-во событий</source>
        <translation>events</translation>
    </message>
</context>
<context>
    <name>grapher::GraphRequest</name>
    <message>
        <source>Время начала не может быть позже времени окончания.</source>
        <translation>The start time cannot be later than the end time.</translation>
    </message>
    <message>
        <source>Максимальное количество событий должно быть числом от 1 до 1000000.</source>
        <translation>The maximum number of events must be a number from 1 to 1000000.</translation>
    </message>
    <message>
        <source>Интервал должен быть целым числом минут от 1 до 60.</source>
        <translation>The interval must be a whole number of minutes from 1 to 60.</translation>
    </message>
</context>
<context>
    <name>grapher::GrapherStore</name>
    <message>
        <source>Не удалось прочитать список адресов: %1</source>
        <translation>Cannot read the address list: %1</translation>
    </message>
</context>
<context>
    <name>grapher::LatencyChart</name>
    <message>
        <source>мс</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1</source>
        <translation>Cannot write the file %1</translation>
    </message>
    <message>
        <source>Задержка и потери</source>
        <translation>Round trip and loss</translation>
    </message>
</context>
<context>
    <name>grapher::WeekHourView</name>
    <message>
        <source>минуты простоя</source>
        <translation>downtime minutes</translation>
    </message>
    <message>
        <source>сбои</source>
        <translation>outages</translation>
    </message>
    <message>
        <source>0 … %1 (%2)</source>
        <translation>0 … %1 (%2)</translation>
    </message>
    <message>
        <source>%1, %2:00–%3:00
Сбоев: %4
Простой: %5</source>
        <translation>%1, %2:00–%3:00
Outages: %4
Downtime: %5</translation>
    </message>
</context>
<context>
    <name>grapher::frmDativo</name>
    <message>
        <source>Дата</source>
        <comment>window title</comment>
        <translation>Date</translation>
    </message>
</context>
<context>
    <name>grapher::frmLatency</name>
    <message>
        <source>Задержка и потери</source>
        <translation>Round trip and loss</translation>
    </message>
    <message>
        <source>Последний час</source>
        <translation>Last hour</translation>
    </message>
    <message>
        <source>Последние сутки</source>
        <translation>Last day</translation>
    </message>
    <message>
        <source>Последняя неделя</source>
        <translation>Last week</translation>
    </message>
    <message>
        <source>Последний месяц</source>
        <translation>Last month</translation>
    </message>
    <message>
        <source>Последний год</source>
        <translation>Last year</translation>
    </message>
    <message>
        <source>Период</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>Построить</source>
        <translation>Draw</translation>
    </message>
    <message>
        <source>Сохранить PNG...</source>
        <translation>Save PNG...</translation>
    </message>
    <message>
        <source>Сохранить SVG...</source>
        <translation>Save SVG...</translation>
    </message>
    <message>
        <source>Адреса:</source>
        <translation>Addresses:</translation>
    </message>
    <message>
        <source>Период:</source>
        <translation>Period:</translation>
    </message>
    <message>
        <source>Не удалось прочитать адреса: %1</source>
        <translation>Cannot read the addresses: %1</translation>
    </message>
    <message>
        <source>Не удалось прочитать задержки: %1</source>
        <translation>Cannot read the round trips: %1</translation>
    </message>
    <message>
        <source>Сохранить PNG</source>
        <translation>Save PNG</translation>
    </message>
    <message>
        <source>Сохранить SVG</source>
        <translation>Save SVG</translation>
    </message>
    <message>
        <source>Найти адрес или описание</source>
        <translation>Find an address or description</translation>
    </message>
</context>
<context>
    <name>grapher::frmMain</name>
    <message>
        <source>Дата начала </source>
        <translation>Start date</translation>
    </message>
    <message>
        <source>Дата окончания</source>
        <translation>End date</translation>
    </message>
    <message>
        <source>Время начала</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>Время окончания</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>с</source>
        <translation>from</translation>
    </message>
    <message>
        <source>по </source>
        <translation>to </translation>
    </message>
    <message>
        <source>Дата:</source>
        <translation>Date:</translation>
    </message>
    <message>
        <source>Время:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>Период</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>Интервал, мин.:</source>
        <translation>Interval, min:</translation>
    </message>
    <message>
        <source>Текст подписи к графику</source>
        <translation>The curve&apos;s legend text</translation>
    </message>
    <message>
        <source>Цвет линии</source>
        <translation>Line colour</translation>
    </message>
    <message>
        <source>Толщина линии</source>
        <translation>Line width</translation>
    </message>
    <message>
        <source>Максимальное значение по оси Y</source>
        <translation>Largest value on the Y axis</translation>
    </message>
    <message>
        <source>Адрес, на основе которого будет построен график</source>
        <translation>The address the graph is drawn for</translation>
    </message>
    <message>
        <source>График</source>
        <translation>Graph</translation>
    </message>
    <message>
        <source>Легенда:</source>
        <translation>Legend:</translation>
    </message>
    <message>
        <source>Толщина:</source>
        <translation>Width:</translation>
    </message>
    <message>
        <source>Максим-е кол-во событий:</source>
        <translation>Max. events:</translation>
    </message>
    <message>
        <source>Цвет:</source>
        <translation>Colour:</translation>
    </message>
    <message>
        <source>Адрес:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>Рисовать</source>
        <translation>Draw</translation>
    </message>
    <message>
        <source>Рисовать график</source>
        <translation>Draw the graph</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Сохранить график в файл</source>
        <translation>Save the graph to a file</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Стереть график</source>
        <translation>Erase the graph</translation>
    </message>
    <message>
        <source>Расшифровать график</source>
        <translation>Graph breakdown</translation>
    </message>
    <message>
        <source>Ошибка базы данных, график может быть неполным:
</source>
        <translation>Database error, the graph may be incomplete:
</translation>
    </message>
    <message>
        <source>Не удалось сохранить рисунок в файл %1</source>
        <translation>Cannot save the picture to the file %1</translation>
    </message>
    <message>
        <source>Не задан период.</source>
        <translation>No period given.</translation>
    </message>
    <message>
        <source>Начало периода</source>
        <comment>window title</comment>
        <translation>Period Start</translation>
    </message>
    <message>
        <source>Конец периода</source>
        <comment>window title</comment>
        <translation>Period End</translation>
    </message>
    <message>
        <source>Неделя × час</source>
        <translation>Week × hour</translation>
    </message>
    <message>
        <source>Сбои по дням недели и часам</source>
        <translation>Outages by weekday and hour</translation>
    </message>
    <message>
        <source>Найти адрес</source>
        <translation>Find a host</translation>
    </message>
    <message>
        <source>Задержка и потери...</source>
        <translation>Round trip and loss...</translation>
    </message>
    <message>
        <source>Время ответа и потери пакетов по адресам</source>
        <translation>Round-trip times and packet loss by address</translation>
    </message>
</context>
<context>
    <name>grapher::frmTime</name>
    <message>
        <source>Действие</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Сохранить как...</source>
        <translation>Save as...</translation>
    </message>
    <message>
        <source>Закрыть окно</source>
        <translation>Close window</translation>
    </message>
    <message>
        <source>Не удалось сохранить файл %1: %2</source>
        <translation>Cannot save the file %1: %2</translation>
    </message>
    <message>
        <source>Расшифровка графика</source>
        <comment>window title</comment>
        <translation>Graph Breakdown</translation>
    </message>
</context>
<context>
    <name>grapher::frmWeekHour</name>
    <message>
        <source>Сбои по дням недели и часам</source>
        <comment>window title</comment>
        <translation>Outages by Weekday and Hour</translation>
    </message>
    <message>
        <source>Все адреса</source>
        <translation>All hosts</translation>
    </message>
    <message>
        <source>Число сбоев</source>
        <translation>Number of outages</translation>
    </message>
    <message>
        <source>Минуты простоя</source>
        <translation>Downtime minutes</translation>
    </message>
    <message>
        <source>Сохранить PNG...</source>
        <translation>Save PNG...</translation>
    </message>
    <message>
        <source>%1: %2 – %3</source>
        <translation>%1: %2 – %3</translation>
    </message>
    <message>
        <source>Ошибка базы данных: %1</source>
        <translation>Database error: %1</translation>
    </message>
    <message>
        <source>Сохранить карту</source>
        <comment>window title</comment>
        <translation>Save Map</translation>
    </message>
    <message>
        <source>Не удалось сохранить файл %1.</source>
        <translation>Cannot save the file %1.</translation>
    </message>
</context>
<context>
    <name>grapher::main</name>
    <message>
        <source>Не удалось открыть базу данных.
%1</source>
        <translation>Cannot open the database.
%1</translation>
    </message>
</context>
<context>
    <name>monitor::BoardModel</name>
    <message>
        <source>Состояние</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Описание</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Задержка, мс</source>
        <translation>Round trip, ms</translation>
    </message>
    <message>
        <source>Мин / сред / макс за час, мс</source>
        <translation>Min / avg / max last hour, ms</translation>
    </message>
    <message>
        <source>Потери за час</source>
        <translation>Loss last hour</translation>
    </message>
    <message>
        <source>Проверок без ответа</source>
        <translation>Failed passes</translation>
    </message>
    <message>
        <source>Длительность</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Отметки</source>
        <translation>Marks</translation>
    </message>
    <message>
        <source>нет соединения</source>
        <translation>down</translation>
    </message>
    <message>
        <source>не наблюдается</source>
        <translation>unwatched</translation>
    </message>
    <message>
        <source>потери</source>
        <translation>losing</translation>
    </message>
    <message>
        <source>медленно</source>
        <translation>slow</translation>
    </message>
    <message>
        <source>в норме</source>
        <translation>up</translation>
    </message>
    <message numerus="yes">
        <source>нет соединения: %n</source>
        <translation>
            <numerusform>%n down</numerusform>
            <numerusform>%n down</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>не наблюдаются: %n</source>
        <translation>
            <numerusform>%n unwatched</numerusform>
            <numerusform>%n unwatched</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>с потерями: %n</source>
        <translation>
            <numerusform>%n losing</numerusform>
            <numerusform>%n losing</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>медленных: %n</source>
        <translation>
            <numerusform>%n slow</numerusform>
            <numerusform>%n slow</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>за упавшим родителем: %n</source>
        <translation>
            <numerusform>%n behind a down parent</numerusform>
            <numerusform>%n behind a down parent</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>без звука: %n</source>
        <translation>
            <numerusform>%n muted</numerusform>
            <numerusform>%n muted</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>на обслуживании: %n</source>
        <translation>
            <numerusform>%n in maintenance</numerusform>
            <numerusform>%n in maintenance</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Узлов: %n</source>
        <translation>
            <numerusform>%n host</numerusform>
            <numerusform>%n hosts</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 назад</source>
        <translation>%1 ago</translation>
    </message>
    <message>
        <source>за упавшим родителем</source>
        <translation>behind a down parent</translation>
    </message>
    <message>
        <source>без звука</source>
        <translation>muted</translation>
    </message>
    <message>
        <source>обслуживание</source>
        <translation>maintenance</translation>
    </message>
    <message>
        <source>Путь в начале отказа (%1):</source>
        <translation>Path when the outage began (%1):</translation>
    </message>
    <message>
        <source>видят недоступным: %1</source>
        <translation>down for vantages: %1</translation>
    </message>
</context>
<context>
    <name>monitor::DesktopNotifier</name>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>нет сеансовой шины D-Bus (%1)</source>
        <translation>no D-Bus session bus (%1)</translation>
    </message>
    <message>
        <source>уведомления рабочего стола недоступны: %1</source>
        <translation>desktop notifications unavailable: %1</translation>
    </message>
</context>
<context>
    <name>monitor::Form1</name>
    <message>
        <source>|Описание                                        |Время         |Ip-адрес              |Вр.ож.   </source>
        <translation>|Description                                     |Time          |IP address            |Timeout  </translation>
    </message>
    <message>
        <source>Время до след. проверки(сек):</source>
        <translation>Next check in (s):</translation>
    </message>
    <message>
        <source>Нажать для принудительной проверки</source>
        <translation>Click to check now</translation>
    </message>
    <message>
        <source>Действие</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Свернуть в трей</source>
        <translation>Minimise to tray</translation>
    </message>
    <message>
        <source>Администрирование</source>
        <translation>Administration</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Отсутствие соединения</source>
        <translation>Lost connections</translation>
    </message>
    <message>
        <source>Сведения</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Не удалось открыть базу данных, наблюдение невозможно.

%1</source>
        <translation>Cannot open the database; no monitoring is possible.

%1</translation>
    </message>
    <message>
        <source>Ошибка базы данных: %1: %2</source>
        <translation>Database error: %1: %2</translation>
    </message>
    <message>
        <source>файл не найден</source>
        <translation>file not found</translation>
    </message>
    <message>
        <source>файл не является исполняемым</source>
        <translation>the file is not executable</translation>
    </message>
    <message>
        <source>Не удалось запустить программу администрирования
%1
(%2)</source>
        <translation>Cannot start the administration program
%1
(%2)</translation>
    </message>
    <message>
        <source>Программа: ORVANT
Версия: 2.0.1
Дата создания: 14.09.2004г.</source>
        <translation>Program: ORVANT
Version: 2.0.1
Created: 14.09.2004</translation>
    </message>
    <message>
        <source>Действительно хотите выйти ?</source>
        <translation>Do you really want to quit?</translation>
    </message>
    <message>
        <source>Без сигнала: %1</source>
        <translation>No alert: %1</translation>
    </message>
    <message numerus="yes">
        <source>Нет соединения: %n адр.</source>
        <translation>
            <numerusform>No connection: %n address</numerusform>
            <numerusform>No connection: %n addresses</numerusform>
        </translation>
    </message>
    <message>
        <source>Отключить сигналы всех адресов</source>
        <translation>Mute alerts of all addresses</translation>
    </message>
    <message>
        <source>Отключить сигналы %1</source>
        <translation>Mute alerts of %1</translation>
    </message>
    <message>
        <source>на 15 минут</source>
        <translation>for 15 minutes</translation>
    </message>
    <message>
        <source>на 1 час</source>
        <translation>for 1 hour</translation>
    </message>
    <message>
        <source>на 4 часа</source>
        <translation>for 4 hours</translation>
    </message>
    <message>
        <source>до завтра 08:00</source>
        <translation>until 08:00 tomorrow</translation>
    </message>
    <message>
        <source>до включения</source>
        <translation>until unmuted</translation>
    </message>
    <message>
        <source>Включить сигналы всех адресов (отключены %1)</source>
        <translation>Unmute all addresses (muted %1)</translation>
    </message>
    <message>
        <source>Включить сигналы %1 (отключены %2)</source>
        <translation>Unmute %1 (muted %2)</translation>
    </message>
    <message>
        <source>Не удалось запустить %1: %2</source>
        <translation>Cannot start %1: %2</translation>
    </message>
    <message>
        <source>Завершение работы</source>
        <comment>window title</comment>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Все узлы</source>
        <translation>All hosts</translation>
    </message>
    <message>
        <source>Путь в начале отказа:</source>
        <translation>Path when the outage began:</translation>
    </message>
</context>
<context>
    <name>monitor::LatencyService</name>
    <message>
        <source>Запись задержек</source>
        <translation>Recording round trips</translation>
    </message>
    <message>
        <source>Обобщение задержек</source>
        <translation>Summing up round trips</translation>
    </message>
    <message>
        <source>база данных долго недоступна, самые старые замеры отброшены</source>
        <translation>the database has been unavailable for long, the oldest samples were dropped</translation>
    </message>
    <message>
        <source>не удалось удалить %1</source>
        <translation>cannot remove %1</translation>
    </message>
    <message>
        <source>файл %1 повреждён</source>
        <translation>the file %1 is damaged</translation>
    </message>
</context>
<context>
    <name>monitor::MonitorLock</name>
    <message>
        <source>сеанс «%1» пользователя %2 (%3, процесс сервера %4)</source>
        <translation>session “%1” of the user %2 (%3, server process %4)</translation>
    </message>
    <message>
        <source>без имени</source>
        <translation>unnamed</translation>
    </message>
    <message>
        <source>подключение на самом сервере</source>
        <translation>a connection on the server itself</translation>
    </message>
    <message>
        <source>адрес %1</source>
        <translation>address %1</translation>
    </message>
    <message>
        <source>другой сеанс</source>
        <translation>another session</translation>
    </message>
    <message>
        <source>сеанс «%1»</source>
        <translation>session “%1”</translation>
    </message>
    <message>
        <source>наблюдательные пункты %1</source>
        <translation>the vantage points %1</translation>
    </message>
</context>
<context>
    <name>monitor::MonitorSession</name>
    <message>
        <source>База данных не ответила за %1 с: соединение с ней открывается заново. Проверка адресов продолжается; записи о сбоях ждут и будут сделаны, когда она ответит.</source>
        <translation>The database did not answer within %1 s: its connection is being opened again. Monitoring goes on; outage records wait and will be made once it answers.</translation>
    </message>
    <message>
        <source>причина неизвестна</source>
        <translation>reason unknown</translation>
    </message>
    <message>
        <source>Записи о сбоях (%1) не сделаны (%2); они сохранены в %3 и будут сделаны при следующем запуске.</source>
        <translation>Outage writes (%1) were not made (%2); they are kept in %3 and will be made at the next start.</translation>
    </message>
    <message>
        <source>Записи о сбоях (%1) потеряны: они не сделаны (%2), а файл %3 не записывается: %4</source>
        <translation>Outage writes (%1) are lost: they were not made (%2), and the file %3 cannot be written: %4</translation>
    </message>
    <message>
        <source>Файл базы данных %1 удалён или заменён другим, пока монитор работал. Проверка адресов продолжается по последнему прочитанному списку; записи о сбоях ждут и будут сделаны, когда на этом месте снова будет база данных.</source>
        <translation>The database file %1 was deleted or replaced while the monitor ran. Checking goes on with the address list last read; the outage records wait and will be written once there is a database at that place again.</translation>
    </message>
    <message>
        <source>Потеряна связь с сервером базы данных %1 (%2). Проверка адресов продолжается; записи о сбоях ждут и будут сделаны, когда связь восстановится.</source>
        <translation>Lost the connection to the database server %1 (%2). Checking the addresses goes on; outage records wait and will be made when the connection is back.</translation>
    </message>
    <message>
        <source>Сервер базы данных %1 ещё держит прежнее соединение этого монитора, которое перестало отвечать (%2). Проверка адресов продолжается; записи о сбоях ждут и будут сделаны, когда сервер его закроет.</source>
        <translation>The database server %1 still holds this monitor&apos;s earlier connection, which stopped answering (%2). Checking goes on; the outage records wait and will be written once the server closes it.</translation>
    </message>
    <message>
        <source>Базу данных %1 занял другой монитор (%2), пока связь с сервером была потеряна. Этот монитор продолжает проверку, но ничего не записывает, пока тот работает; закройте один из них.</source>
        <translation>Another monitor (%2) took the database %1 while the connection to the server was lost. This monitor goes on checking but writes nothing while that one runs; close one of them.</translation>
    </message>
    <message>
        <source>База данных открыта: %1</source>
        <translation>Database opened: %1</translation>
    </message>
    <message>
        <source>Связь с сервером базы данных %1 восстановлена.</source>
        <translation>The connection to the database server %1 is back.</translation>
    </message>
    <message>
        <source>Нет связи с сервером базы данных %1 (%2): записи о сбоях (%3) ждут и будут сделаны, когда связь восстановится.</source>
        <translation>No connection to the database server %1 (%2): the outage records (%3) wait and will be made when the connection is back.</translation>
    </message>
    <message>
        <source>Сервер базы данных %1 пока не принимает записи (%2): записи о сбоях (%3) ждут и будут сделаны, как только он их примет.</source>
        <translation>The database server %1 does not accept writes for now (%2): the outage writes (%3) wait and will be made as soon as it accepts them.</translation>
    </message>
    <message>
        <source>База данных %1 сейчас недоступна (%2): записи о сбоях (%3) ждут и будут сделаны, когда она снова будет доступна.</source>
        <translation>The database %1 is not available now (%2): the outage records (%3) wait and will be written once it is available again.</translation>
    </message>
    <message>
        <source>База данных %1 не принимает записи (%2): записи о сбоях (%3) ждут и будут сделаны, как только она их примет.</source>
        <translation>The database %1 does not take writes now (%2): the outage records (%3) wait and will be written as soon as it takes them.</translation>
    </message>
    <message>
        <source>База данных занята другой программой (%1): записи о сбоях (%2) ждут и будут сделаны, как только она освободится.</source>
        <translation>The database is busy in another program (%1): the outage records (%2) wait and will be made as soon as it is free.</translation>
    </message>
    <message>
        <source>Отложенные записи о сбоях сделаны (%1).</source>
        <translation>The postponed outage records have been made (%1).</translation>
    </message>
    <message>
        <source>Программа уже запущена!</source>
        <translation>The program is already running!</translation>
    </message>
    <message>
        <source>Не удалось создать файл блокировки %1 (%2): проверка второго экземпляра программы невозможна. Проверьте, что каталог доступен для записи и на диске есть место.</source>
        <translation>Cannot create the lock file %1 (%2): a second copy of the program cannot be detected. Check that the directory is writable and the disk has room.</translation>
    </message>
    <message>
        <source>Не удалось создать файл блокировки базы данных %1 (%2): второй монитор на этой базе данных не будет обнаружен. Проверьте права на каталог %3.</source>
        <translation>Cannot create the database lock file %1 (%2): a second monitor on this database will not be detected. Check the permissions of the directory %3.</translation>
    </message>
    <message>
        <source>Базу данных %1 уже использует другой монитор: %2.</source>
        <translation>Another monitor already uses the database %1: %2.</translation>
    </message>
    <message>
        <source>Базу данных %1 уже использует монитор пользователя %2 (процесс %3).</source>
        <translation>The database %1 is already used by the monitor of the user %2 (process %3).</translation>
    </message>
    <message>
        <source>Открытие базы данных</source>
        <translation>Opening the database</translation>
    </message>
    <message>
        <source>Не удалось прочитать отложенные записи %1: %2</source>
        <translation>Cannot read the postponed records %1: %2</translation>
    </message>
    <message>
        <source>Отсутствующие соединения</source>
        <translation>Lost connections</translation>
    </message>
    <message>
        <source>Ошибка базы данных: %1: %2</source>
        <translation>Database error: %1: %2</translation>
    </message>
    <message>
        <source>Чтение настроек</source>
        <translation>Reading the settings</translation>
    </message>
    <message>
        <source>Настройки: %1; используется значение по умолчанию.</source>
        <translation>Settings: %1; the default value is used.</translation>
    </message>
    <message>
        <source>Настройки сигналов не прочитаны, действуют значения по умолчанию: %1</source>
        <translation>Alert settings not read, the defaults apply: %1</translation>
    </message>
    <message>
        <source>Запись причин тихих сбоев</source>
        <translation>Recording why outages stayed quiet</translation>
    </message>
    <message>
        <source>Отключение сигналов</source>
        <translation>Muting alerts</translation>
    </message>
    <message>
        <source>Включение сигналов</source>
        <translation>Unmuting alerts</translation>
    </message>
    <message>
        <source>Наблюдения этого пункта не сохранены в %1: %2</source>
        <translation>This vantage&apos;s observations were not saved to %1: %2</translation>
    </message>
    <message>
        <source>Наблюдательный пункт</source>
        <translation>Vantage point</translation>
    </message>
    <message>
        <source>Наблюдательный пункт «%1» ведёт журнал сбоев по правилу «%2».</source>
        <translation>Vantage point “%1” writes the outage log by the rule “%2”.</translation>
    </message>
    <message>
        <source>Журнал сбоев: %1 снова доступен по правилу «%2» (с %3).</source>
        <translation>Outage log: %1 is up again by the rule “%2” (since %3).</translation>
    </message>
    <message>
        <source>Журнал сбоев: %1 недоступен по правилу «%2» с %3; недоступен для пунктов: %4.</source>
        <translation>Outage log: %1 is down by the rule “%2” since %3; down for vantages: %4.</translation>
    </message>
    <message>
        <source>Журнал сбоев: %1 был недоступен по правилу «%2» с %3 по %4 (известно с опозданием); недоступен для пунктов: %5.</source>
        <translation>Outage log: %1 was down by the rule “%2” from %3 to %4 (learned late); down for vantages: %5.</translation>
    </message>
</context>
<context>
    <name>monitor::MonitorStore</name>
    <message>
        <source>соединение закрыто</source>
        <translation>the connection was closed</translation>
    </message>
    <message>
        <source>нет соединения с сервером базы данных</source>
        <translation>no connection to the database server</translation>
    </message>
    <message>
        <source>файл базы данных не открыт</source>
        <translation>the database file is not open</translation>
    </message>
    <message>
        <source>запрос к базе данных не вернулся за %1 мс; его соединение оставлено</source>
        <translation>a database statement did not come back within %1 ms; its connection is given up</translation>
    </message>
</context>
<context>
    <name>monitor::NotificationTexts</name>
    <message>
        <source>Нет соединения</source>
        <translation>No connection</translation>
    </message>
    <message>
        <source>Соединение восстановлено</source>
        <translation>Connection restored</translation>
    </message>
    <message numerus="yes">
        <source>и ещё %n</source>
        <translation>
            <numerusform>and %n more</numerusform>
            <numerusform>and %n more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Нет соединения: %n адр.</source>
        <translation>
            <numerusform>No connection: %n address</numerusform>
            <numerusform>No connection: %n addresses</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Соединение восстановлено: %n адр.</source>
        <translation>
            <numerusform>Connection restored: %n address</numerusform>
            <numerusform>Connection restored: %n addresses</numerusform>
        </translation>
    </message>
    <message>
        <source>Связь неустойчива</source>
        <translation>Connection unstable</translation>
    </message>
    <message numerus="yes">
        <source>Связь неустойчива: %n адр.</source>
        <translation>
            <numerusform>Connection unstable: %n address</numerusform>
            <numerusform>Connection unstable: %n addresses</numerusform>
        </translation>
    </message>
    <message>
        <source>Сигналы о сбоях отложены, пока связь не станет устойчивой.</source>
        <translation>Outage alerts are held until the connection is stable.</translation>
    </message>
    <message>
        <source>Связь устойчива</source>
        <translation>Connection stable</translation>
    </message>
    <message numerus="yes">
        <source>Связь устойчива: %n адр.</source>
        <translation>
            <numerusform>Connection stable: %n address</numerusform>
            <numerusform>Connection stable: %n addresses</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> и ещё %n адрес за ним</source>
        <translation>
            <numerusform> and %n more address behind it</numerusform>
            <numerusform> and %n more addresses behind it</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> и ещё %n адреса за ним</source>
        <translation>
            <numerusform> and %n more address behind it</numerusform>
            <numerusform> and %n more addresses behind it</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> и ещё %n адресов за ним</source>
        <translation>
            <numerusform> and %n more address behind it</numerusform>
            <numerusform> and %n more addresses behind it</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>monitor::OutagePathTracer</name>
    <message>
        <source>Путь к узлу не прослежен</source>
        <translation>The path to the host was not traced</translation>
    </message>
    <message>
        <source>Путь к узлу не записан</source>
        <translation>The path to the host was not stored</translation>
    </message>
</context>
<context>
    <name>monitor::PollingEngine</name>
    <message>
        <source>Не удалось записать начало сбоя для %1</source>
        <translation>Cannot record the start of the outage of %1</translation>
    </message>
    <message>
        <source>Не удалось записать окончание сбоя для %1</source>
        <translation>Cannot record the end of the outage of %1</translation>
    </message>
    <message>
        <source>Не удалось прочитать список адресов</source>
        <translation>Cannot read the address list</translation>
    </message>
    <message>
        <source>Адрес %1 не проверяется: значение ping_timeout «%2» не является числом миллисекунд. Исправьте его в программе администрирования.</source>
        <translation>The address %1 is not checked: the ping_timeout value “%2” is not a number of milliseconds. Correct it in the administration program.</translation>
    </message>
    <message>
        <source>Адрес %1: ping_timeout %2 мс больше допустимого, используется %3 мс.</source>
        <translation>Address %1: ping_timeout %2 ms is more than allowed; %3 ms is used.</translation>
    </message>
    <message>
        <source>Не удалось прочитать открытые записи о сбоях</source>
        <translation>Cannot read the open outage records</translation>
    </message>
    <message>
        <source>Проверка адресов невозможна: не удалось открыть ICMP-сокет (%1).
Пока это так, состояние адресов не меняется и сбои не записываются.

Чтобы исправить, сделайте одно из двух:
• разрешите ICMP-сокеты без привилегий:
  sudo sysctl -w net.ipv4.ping_group_range=&quot;0 2147483647&quot;
  (чтобы сохранить после перезагрузки, добавьте строку
  net.ipv4.ping_group_range = 0 2147483647 в файл /etc/sysctl.d/90-ping.conf);
• или дайте программе право на raw-сокеты:
  sudo setcap cap_net_raw+ep &quot;%2&quot;</source>
        <translation>No address can be checked: cannot open an ICMP socket (%1).
While this lasts, no address changes state and no outage is recorded.

To fix it, do one of the two:
• allow ICMP sockets without privileges:
  sudo sysctl -w net.ipv4.ping_group_range=&quot;0 2147483647&quot;
  (to keep it after a reboot, add the line
  net.ipv4.ping_group_range = 0 2147483647 to the file /etc/sysctl.d/90-ping.conf);
• or give the program the right to raw sockets:
  sudo setcap cap_net_raw+ep &quot;%2&quot;</translation>
    </message>
    <message numerus="yes">
        <source>Системные часы переведены назад (на %n с). Расписание проверок не изменилось; окончание сбоя, которое по часам раньше его начала, записывается временем начала.</source>
        <translation>
            <numerusform>The system clock was set back (by %n second). The probing schedule is unchanged; an outage end that the clock puts before its begin is stored as the begin.</numerusform>
            <numerusform>The system clock was set back (by %n seconds). The probing schedule is unchanged; an outage end that the clock puts before its begin is stored as the begin.</numerusform>
        </translation>
    </message>
    <message>
        <source>Строка списка адресов «%1» не проверяется: адрес %2. Исправьте её в программе администрирования.</source>
        <translation>The address book row “%1” is not probed: its address is %2. Correct it in the administration program.</translation>
    </message>
    <message>
        <source>не задан (NULL)</source>
        <translation>not set (NULL)</translation>
    </message>
    <message>
        <source>пуст</source>
        <translation>empty</translation>
    </message>
    <message>
        <source>Нет сети на этом компьютере</source>
        <translation>No network on this computer</translation>
    </message>
    <message>
        <source>Сеть на этом компьютере восстановлена</source>
        <translation>The network on this computer is back</translation>
    </message>
    <message numerus="yes">
        <source> и ещё %n</source>
        <translation>
            <numerusform> and %n more</numerusform>
            <numerusform> and %n more</numerusform>
        </translation>
    </message>
    <message>
        <source>Нет маршрута к адресам: %1. Пока его нет, они не наблюдаются и сбои для них не записываются.</source>
        <translation>No route to the addresses: %1. Until there is one, they are not watched and no outages are logged for them.</translation>
    </message>
    <message>
        <source>Маршрут к адресам появился, они снова наблюдаются: %1.</source>
        <translation>A route to the addresses is back, they are watched again: %1.</translation>
    </message>
    <message>
        <source>Адрес «%1» не проверяется: это устаревшая запись IPv4-адреса, которая читалась бы как %2. Запишите его четырьмя десятичными числами от 0 до 255 через точку, без ведущих нулей, в программе администрирования.</source>
        <translation>Address “%1” is not probed: it is an outdated spelling of an IPv4 address, which would be read as %2. Write it as four decimal numbers from 0 to 255 joined by dots, without leading zeros, in the administration program.</translation>
    </message>
    <message numerus="yes">
        <source>Системные часы переведены вперёд (на %n с). Расписание проверок не изменилось; длительность сбоев считается по непрерывному времени компьютера.</source>
        <translation>
            <numerusform>The system clock was set forward (by %n second). The probing schedule is unchanged; outage lengths are measured on the computer&apos;s continuous clock.</numerusform>
            <numerusform>The system clock was set forward (by %n seconds). The probing schedule is unchanged; outage lengths are measured on the computer&apos;s continuous clock.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>monitor::RunningCaption</name>
    <message>
        <source> система работает </source>
        <comment>the caption: uptime</comment>
        <translation> system up </translation>
    </message>
    <message>
        <source> мин</source>
        <comment>the caption: minutes</comment>
        <translation> min</translation>
    </message>
</context>
<context>
    <name>monitor::ServerSession</name>
    <message>
        <source>Не удалось занять базу данных %1 для монитора: %2</source>
        <translation>Could not take the database %1 for the monitor: %2</translation>
    </message>
    <message>
        <source>соединение закрыто</source>
        <translation>the connection was closed</translation>
    </message>
    <message>
        <source>Не удалось подключиться к серверу базы данных %1: %2</source>
        <translation>Could not connect to the database server %1: %2</translation>
    </message>
    <message>
        <source>нет ответа за %1 мс</source>
        <translation>no answer within %1 ms</translation>
    </message>
    <message>
        <source>нет сокета %1 (сервер не запущен?)</source>
        <translation>no socket %1 (is the server running?)</translation>
    </message>
    <message>
        <source>сервер не принимает подключения на сокете %1</source>
        <translation>the server accepts no connections on the socket %1</translation>
    </message>
</context>
<context>
    <name>monitor::TransparencySlider</name>
    <message>
        <source>прозрачность окна</source>
        <translation>window transparency</translation>
    </message>
</context>
<context>
    <name>monitor::VantageLock</name>
    <message>
        <source>другой сеанс</source>
        <translation>another session</translation>
    </message>
    <message>
        <source>наблюдательный пункт «%1» уже работает (сеанс «%2»)</source>
        <translation>the vantage point “%1” is running already (session “%2”)</translation>
    </message>
</context>
<context>
    <name>monitor::WatchedTimeKeeper</name>
    <message>
        <source>Время наблюдения не записано: %1</source>
        <translation>Watched time not recorded: %1</translation>
    </message>
</context>
<context>
    <name>monitor::WriteQueue</name>
    <message>
        <source>база данных не ответила вовремя</source>
        <translation>the database did not answer in time</translation>
    </message>
    <message>
        <source>база данных не открыта</source>
        <translation>the database is not open</translation>
    </message>
</context>
<context>
    <name>monitor::frmAbout</name>
    <message>
        <source>загрузка данных...</source>
        <translation>loading data...</translation>
    </message>
</context>
<context>
    <name>monitor::frmBoard</name>
    <message>
        <source>Все узлы</source>
        <translation>All Hosts</translation>
    </message>
    <message>
        <source>Отбор по описанию или адресу</source>
        <translation>Filter by description or address</translation>
    </message>
    <message>
        <source>Отбор</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Только проблемы</source>
        <translation>Only problems</translation>
    </message>
</context>
<context>
    <name>monitor::frmOtchet</name>
    <message>
        <source>Обновить</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>: нет соед. со след. адресами:</source>
        <translation>: no connection to these addresses:</translation>
    </message>
    <message>
        <source>все адреса</source>
        <translation>all addresses</translation>
    </message>
    <message>
        <source>Сигналы отключены: %1</source>
        <translation>Alerts muted: %1</translation>
    </message>
    <message>
        <source>Отсутствующие соединения</source>
        <comment>window title</comment>
        <translation>Lost Connections</translation>
    </message>
</context>
<context>
    <name>monitor::main</name>
    <message numerus="yes">
        <source>orvant: оповещений ещё в пути при завершении: %n; следующий запуск отправит их снова</source>
        <translation>
            <numerusform>orvant: %n alert message still being delivered at the end; the next start sends it again</numerusform>
            <numerusform>orvant: %n alert messages still being delivered at the end; the next start sends them again</numerusform>
        </translation>
    </message>
    <message>
        <source>Замеры задержек не сохранены в %1: %2</source>
        <translation>Round-trip samples not kept in %1: %2</translation>
    </message>
    <message>
        <source>Не удалось прочитать замеры задержек %1: %2</source>
        <translation>Cannot read the round-trip samples %1: %2</translation>
    </message>
</context>
<context>
    <name>orvant-export</name>
    <message>
        <source>--%1: не дата: «%2» (пишите ГГГГ-ММ-ДД)</source>
        <translation>--%1: not a date: &quot;%2&quot; (use YYYY-MM-DD)</translation>
    </message>
    <message>
        <source>не удалось записать в стандартный вывод: %1</source>
        <translation>cannot write to standard output: %1</translation>
    </message>
    <message>
        <source>не удалось записать %1: %2</source>
        <translation>cannot write %1: %2</translation>
    </message>
    <message>
        <source>записано адресов: %1 (%2)</source>
        <translation>%1 addresses written to %2</translation>
    </message>
    <message>
        <source>Записывает журнал сбоев в CSV: id,begin,end,duration_s,description,address.
Дата и время местные, ГГГГ-ММ-ДДTЧЧ:ММ:СС; у продолжающегося сбоя нет конца и длительности.</source>
        <translation>Writes the outage log as CSV: id,begin,end,duration_s,description,address.
Dates and times are local, YYYY-MM-DDTHH:MM:SS; an open outage has no end and no duration.</translation>
    </message>
    <message>
        <source>Только сбои, начавшиеся в день DATE или позже.</source>
        <translation>Only outages that began on DATE or later.</translation>
    </message>
    <message>
        <source>Только сбои, начавшиеся в день DATE или раньше.</source>
        <translation>Only outages that began on DATE or earlier.</translation>
    </message>
    <message>
        <source>Вместо журнала записать доступность каждого адреса за время наблюдения: address,description,watched_s,down_s,availability_pct,outages,longest_s,mean_down_s,mtbf_s,unwatched_s (с начала --from до конца --to; по умолчанию 30 дней по сегодня включительно).</source>
        <translation>Write each host&apos;s availability over the watched time instead: address,description,watched_s,down_s,availability_pct,outages,longest_s,mean_down_s,mtbf_s,unwatched_s (from the start of --from to the end of --to; default the 30 days up to today).</translation>
    </message>
    <message>
        <source>Ещё два столбца: почему сбой не поднял тревогу, quiet_reason,quiet_detail (пусто, если поднял).</source>
        <translation>Two more columns: why an outage rang no alarm, quiet_reason,quiet_detail (empty for one that rang).</translation>
    </message>
    <message>
        <source>Вместе с --availability: время в окнах плановых работ адреса не считается ни доступностью, ни сбоем; последний столбец maintenance_s — отложенное время наблюдения.</source>
        <translation>With --availability: time inside a host&apos;s maintenance windows counts neither up nor down; a last column maintenance_s holds the watched time set aside.</translation>
    </message>
    <message>
        <source>Только сбои адреса с этим описанием.</source>
        <translation>Only outages of the host with this description.</translation>
    </message>
    <message>
        <source>Вместо журнала записать список адресов: address,description,timeout_ms,parent, как его читает orvant-import.</source>
        <translation>Write the address book instead: address,description,timeout_ms,parent, as orvant-import reads it.</translation>
    </message>
    <message>
        <source>Файл базы данных (по умолчанию база, названная в orvant.conf рядом с программой, иначе ping_addr.mdb рядом с программой).</source>
        <translation>The database file (default: the database orvant.conf beside the program names, else ping_addr.mdb beside the program).</translation>
    </message>
    <message>
        <source>Вместо сбоев записать задержки и потери: time,address,description,passes,sent,lost,rtt_min_ms,rtt_median_ms,rtt_p90_ms,rtt_max_ms.</source>
        <translation>Round trips and loss instead of outages: time,address,description,passes,sent,lost,rtt_min_ms,rtt_median_ms,rtt_p90_ms,rtt_max_ms.</translation>
    </message>
    <message>
        <source>Файл CSV, в который писать; - для стандартного вывода.</source>
        <translation>The CSV file to write, - for standard output.</translation>
    </message>
    <message>
        <source>нужен один выходной файл OUTPUT (- для стандартного вывода); см. --help</source>
        <translation>one OUTPUT file expected (- for standard output); see --help</translation>
    </message>
    <message>
        <source>--%1 отбирает сбои, а список адресов записывается целиком</source>
        <translation>--%1 selects outages; the address book is written whole</translation>
    </message>
    <message>
        <source>--from %1 позже, чем --to %2</source>
        <translation>--from %1 is after --to %2</translation>
    </message>
    <message>
        <source>--host не сочетается с --availability</source>
        <translation>--host does not go with --availability</translation>
    </message>
    <message>
        <source>--marks бывает только у журнала сбоев</source>
        <translation>--marks goes only with the outage log</translation>
    </message>
    <message>
        <source>--without-maintenance бывает только вместе с --availability</source>
        <translation>--without-maintenance goes only with --availability</translation>
    </message>
    <message>
        <source>записано строк: %1 (%2)</source>
        <translation>%1 rows written to %2</translation>
    </message>
    <message>
        <source>записано сбоев: %1 (%2)</source>
        <translation>%1 outages written to %2</translation>
    </message>
    <message>
        <source>Вместо журнала записать сбои, которые видел каждый наблюдательный пункт: vantage,address,description,begin,end,duration_s (только база данных на сервере).</source>
        <translation>Write the outages each vantage point saw instead: vantage,address,description,begin,end,duration_s (a server database only).</translation>
    </message>
    <message>
        <source>--addresses, --availability, --latency и --vantages пишут каждый свой файл; укажите один из них</source>
        <translation>--addresses, --availability, --latency and --vantages each write a file of their own; give one of them</translation>
    </message>
    <message>
        <source>--host не сочетается с --vantages</source>
        <translation>--host does not go with --vantages</translation>
    </message>
    <message>
        <source>Вместо журнала записать путь до узла, прослеженный в начале каждого сбоя, по строке на участок: outage_id,address,description,begin,hop,hop_address,rtt_ms (у участка без ответа hop_address и rtt_ms пусты).</source>
        <translation>Instead of the log, write the route traced to the host when each outage began, a line per hop: outage_id,address,description,begin,hop,hop_address,rtt_ms (hop_address and rtt_ms empty for a hop that never answered).</translation>
    </message>
    <message>
        <source>--addresses, --availability, --latency, --vantages и --paths пишут каждый свой файл; укажите один из них</source>
        <translation>--addresses, --availability, --latency, --vantages and --paths each write a file of their own; give one of them</translation>
    </message>
</context>
<context>
    <name>orvant-import</name>
    <message>
        <source>не удалось открыть файл %1: %2</source>
        <translation>cannot open the file %1: %2</translation>
    </message>
    <message>
        <source>не удалось прочитать файл %1: %2</source>
        <translation>cannot read the file %1: %2</translation>
    </message>
    <message>
        <source>не удалось прочитать список адресов: %1</source>
        <translation>cannot read the address list: %1</translation>
    </message>
    <message>
        <source>в файле нет ни одного адреса: --replace удалил бы все адреса; ничего не записано</source>
        <translation>the file names no address: --replace would remove every address; nothing was written</translation>
    </message>
    <message>
        <source>отклонено строк: %1; ничего не записано</source>
        <translation>lines refused: %1; nothing was written</translation>
    </message>
    <message>
        <source>проверка: будет добавлено %1, изменено %2, без изменений %3, удалено %4; ничего не записано</source>
        <translation>check: %1 to add, %2 to change, %3 unchanged, %4 to remove; nothing was written</translation>
    </message>
    <message>
        <source>ничего не записано: %1</source>
        <translation>nothing was written: %1</translation>
    </message>
    <message>
        <source>добавлено %1, изменено %2, без изменений %3, удалено %4</source>
        <translation>added %1, changed %2, unchanged %3, removed %4</translation>
    </message>
    <message>
        <source>Добавляет или обновляет адреса из файла CSV в списке адресов: address,description,timeout_ms,parent.
Если отклонена хоть одна строка, ничего не записывается; каждая отклонённая строка названа по номеру.</source>
        <translation>Adds or updates the addresses of a CSV file in the address book: address,description,timeout_ms,parent.
Nothing is written when any line is refused; each refused line is named with its line number.</translation>
    </message>
    <message>
        <source>Файл базы данных (по умолчанию база, названная в orvant.conf рядом с программой, иначе ping_addr.mdb рядом с программой).</source>
        <translation>The database file (default: the database orvant.conf beside the program names, else ping_addr.mdb beside the program).</translation>
    </message>
    <message>
        <source>Проверить файл и сказать, что изменится; ничего не записывать (база открывается только для чтения).</source>
        <translation>Check the file and tell what would change; write nothing (the database is opened read-only).</translation>
    </message>
    <message>
        <source>Также удалить из списка адреса, которых нет в файле. Ввод, последняя строка которого не кончается концом строки, считается оборванным и не принимается.</source>
        <translation>Also remove the addresses of the book that the file does not name. An input whose last line has no line end is taken as cut short and refused.</translation>
    </message>
    <message>
        <source>Файл CSV; - читает стандартный ввод.</source>
        <translation>The CSV file to read, - for standard input.</translation>
    </message>
    <message>
        <source>нужен один входной файл FILE.csv (- для стандартного ввода); см. --help</source>
        <translation>one input FILE.csv expected (- for standard input); see --help</translation>
    </message>
    <message>
        <source>%1: %2; ничего не записано</source>
        <translation>%1: %2; nothing was written</translation>
    </message>
</context>
<context>
    <name>orvant-vantage</name>
    <message>
        <source>Наблюдательных пунктов в базе данных нет.</source>
        <translation>The database has no vantage points.</translation>
    </message>
    <message>
        <source>Работающих наблюдательных пунктов сейчас %1: пока их меньше %2, журнал не отметит ни одного сбоя.</source>
        <translation>Vantage points running now: %1. While fewer than %2 run, the log records no outage.</translation>
    </message>
    <message>
        <source>Наблюдательные пункты базы данных на сервере и правило, по которому журнал сбоев их слушает.
  list         пункты: имя, последний проход, live или stale, интервал, машина, writer
  rule [RULE]  показать или задать правило: all, any или число K</source>
        <translation>The vantage points of a server database and the rule the outage log follows over them.
  list         the vantages: name, last pass, live or stale, interval, machine, writer
  rule [RULE]  show or set the rule: all, any or a number K</translation>
    </message>
    <message>
        <source>Файл orvant.conf, называющий базу данных (по умолчанию тот, что рядом с программой).</source>
        <translation>The orvant.conf naming the database (default: the one beside the program).</translation>
    </message>
    <message>
        <source>list или rule</source>
        <translation>list or rule</translation>
    </message>
    <message>
        <source>нужна команда list или rule; см. --help</source>
        <translation>a command list or rule expected; see --help</translation>
    </message>
    <message>
        <source>list: лишнее «%1»</source>
        <translation>list: unexpected “%1”</translation>
    </message>
    <message>
        <source>rule: одно правило — all, any или число</source>
        <translation>rule: one rule, all, any or a number</translation>
    </message>
    <message>
        <source>rule: «%1» — не правило; допустимы all, any или число от 1 до %2.</source>
        <translation>rule: “%1” is not a rule; use all, any or a number from 1 to %2.</translation>
    </message>
    <message>
        <source>неизвестная команда «%1»; см. --help</source>
        <translation>unknown command “%1”; see --help</translation>
    </message>
</context>
<context>
    <name>orvant-web</name>
    <message>
        <source>--tls-key %1: %2</source>
        <translation>--tls-key %1: %2</translation>
    </message>
    <message>
        <source>--tls-key %1: в файле нет закрытого ключа в виде PEM (RSA или EC, без шифрования)</source>
        <translation>--tls-key %1: no private key in PEM form (RSA or EC, not encrypted)</translation>
    </message>
    <message>
        <source>Показывает состояние сети из базы Orvant, которую только читает: страницу состояния (/), её JSON (/api/v1/hosts, /api/v1/hosts/АДРЕС/outages), метрики Prometheus (/metrics) и /healthz.</source>
        <translation>Serves the network&apos;s state from the Orvant database, which it only reads: the status page (/), its JSON (/api/v1/hosts, /api/v1/hosts/ADDRESS/outages), Prometheus metrics (/metrics) and /healthz.</translation>
    </message>
    <message>
        <source>Файл базы данных (по умолчанию база, названная в orvant.conf рядом с программой, иначе ping_addr.mdb рядом с программой).</source>
        <translation>The database file (default: the database orvant.conf beside the program names, else ping_addr.mdb beside it).</translation>
    </message>
    <message>
        <source>Файл orvant.conf, называющий базу данных (файл или сервер PostgreSQL).</source>
        <translation>The orvant.conf naming the database (a file or a PostgreSQL server).</translation>
    </message>
    <message>
        <source>Где ждать запросов: АДРЕС:ПОРТ ([::1]:ПОРТ для IPv6, :ПОРТ для всех адресов); по умолчанию %1.</source>
        <translation>Where to listen, HOST:PORT ([::1]:PORT for IPv6, :PORT for every address); default %1.</translation>
    </message>
    <message>
        <source>Строки пользователь:ХЕШ с хешами crypt(3) (openssl passwd -6, mkpasswd): тогда всё, кроме /healthz, доступно только этим пользователям (HTTP Basic).</source>
        <translation>Lines user:HASH with crypt(3) hashes (openssl passwd -6, mkpasswd): every path but /healthz then needs one of these users (HTTP Basic).</translation>
    </message>
    <message>
        <source>Работать по HTTPS с этим сертификатом (PEM, за ним цепочка).</source>
        <translation>Serve HTTPS with this certificate (PEM, the chain after it).</translation>
    </message>
    <message>
        <source>Закрытый ключ сертификата (PEM).</source>
        <translation>The certificate&apos;s private key (PEM).</translation>
    </message>
    <message>
        <source>непонятный аргумент %1; см. --help</source>
        <translation>unexpected argument %1; see --help</translation>
    </message>
    <message>
        <source>--db и --config оба называют базу данных; укажите что-то одно</source>
        <translation>--db and --config both name the database; give one of them</translation>
    </message>
    <message>
        <source>--tls-cert и --tls-key указываются вместе</source>
        <translation>--tls-cert and --tls-key go together</translation>
    </message>
    <message>
        <source>--auth-file: %1</source>
        <translation>--auth-file: %1</translation>
    </message>
    <message>
        <source>--tls-cert %1: в файле нет сертификата в виде PEM</source>
        <translation>--tls-cert %1: no certificate in PEM form</translation>
    </message>
    <message>
        <source>не удалось начать приём на %1: %2</source>
        <translation>cannot listen on %1: %2</translation>
    </message>
    <message>
        <source>принимает запросы на %1, база данных %2 (только для пользователей файла --auth-file)</source>
        <translation>serving %1 from %2 (users of the auth file only)</translation>
    </message>
    <message>
        <source>принимает запросы на %1, база данных %2</source>
        <translation>serving %1 from %2</translation>
    </message>
</context>
<context>
    <name>orvant_alert</name>
    <message>
        <source>не удалось прочитать стандартный ввод: %1</source>
        <translation>cannot read standard input: %1</translation>
    </message>
    <message>
        <source>на стандартном вводе нет пароля или ключа</source>
        <translation>no password or token on standard input</translation>
    </message>
    <message>
        <source>add: нужно ИМЯ канала</source>
        <translation>add: a NAME expected</translation>
    </message>
    <message>
        <source>--command: нужна ПРОГРАММА</source>
        <translation>--command: a PROGRAM expected</translation>
    </message>
    <message>
        <source>--format: одно из json, slack, telegram, ntfy</source>
        <translation>--format: one of json, slack, telegram, ntfy</translation>
    </message>
    <message>
        <source>--events: «%1» — не down, не up и не reminder</source>
        <translation>--events: &quot;%1&quot; is none of down, up, reminder</translation>
    </message>
    <message>
        <source>--reminder: число минут, не меньше 1</source>
        <translation>--reminder: a number of minutes, 1 or more</translation>
    </message>
    <message>
        <source>%1: пароль или ключ не принимается в командной строке (его видят все пользователи компьютера); укажите %1-file ФАЙЛ или %1-file - для стандартного ввода</source>
        <translation>%1: a secret is never taken from the command line (every user of the machine sees it); use %1-file FILE, or %1-file - for standard input</translation>
    </message>
    <message>
        <source>add: непонятный аргумент «%1»; см. --help</source>
        <translation>add: unexpected &quot;%1&quot;; see --help</translation>
    </message>
    <message>
        <source>add: нужен --command, --webhook или --email</source>
        <translation>add: --command, --webhook or --email expected</translation>
    </message>
    <message>
        <source>--user требует --password-file ФАЙЛ (или - для стандартного ввода)</source>
        <translation>--user needs --password-file FILE (or - for standard input)</translation>
    </message>
    <message>
        <source>канал «%1» уже есть; сначала удалите его</source>
        <translation>a channel named &quot;%1&quot; exists; remove it first</translation>
    </message>
    <message>
        <source>канала «%1» нет</source>
        <translation>no channel named &quot;%1&quot;</translation>
    </message>
    <message>
        <source>каналов оповещений нет; добавьте канал: orvant-alert add ИМЯ ... (см. --help)</source>
        <translation>there are no alert channels; add one: orvant-alert add NAME ... (see --help)</translation>
    </message>
    <message>
        <source>(каждые %1 мин)</source>
        <translation>(every %1 min)</translation>
    </message>
    <message>
        <source>log: ЧИСЛО — целое, не меньше 1</source>
        <translation>log: COUNT is a number, 1 or more</translation>
    </message>
    <message>
        <source>--db: нужен ФАЙЛ</source>
        <translation>--db: a FILE expected</translation>
    </message>
    <message>
        <source>нужна КОМАНДА; см. --help</source>
        <translation>a COMMAND expected; see --help</translation>
    </message>
    <message>
        <source>неизвестная команда «%1»; см. --help</source>
        <translation>unknown command &quot;%1&quot;; see --help</translation>
    </message>
    <message>
        <source>%1: нужно одно ИМЯ</source>
        <translation>%1: one NAME expected</translation>
    </message>
    <message>
        <source>использование: orvant-alert [--db ФАЙЛ] КОМАНДА ...
  list
  add ИМЯ [--events СОБЫТИЯ] [--reminder МИНУТЫ] --command ПРОГРАММА [АРГУМЕНТ...]
  add ИМЯ [...] --webhook URL [--format ФОРМА] [--chat-id ID] [--ca-file ФАЙЛ]
                [--token-file ФАЙЛ]
  add ИМЯ [...] --email АДРЕС --smtp URL [--user ПОЛЬЗОВАТЕЛЬ --password-file ФАЙЛ]
                [--from АДРЕС] [--ca-file ФАЙЛ]
  remove ИМЯ
  test ИМЯ       (код 0 — доставлено, 1 — нет)
  log [ЧИСЛО]    (сначала новые доставки)
СОБЫТИЯ: down,up,reminder через запятую; ФОРМА: json, slack, telegram или ntfy.
Пароль или ключ читается из файла, доступного только владельцу; канал хранит путь к файлу.
С ФАЙЛОМ «-» он читается со стандартного ввода и записывается в такой файл в папке настроек пользователя.
</source>
        <translation>usage: orvant-alert [--db FILE] COMMAND ...
  list
  add NAME [--events EVENTS] [--reminder MINUTES] --command PROGRAM [ARG...]
  add NAME [...] --webhook URL [--format FORM] [--chat-id ID] [--ca-file FILE]
                 [--token-file FILE]
  add NAME [...] --email ADDRESS --smtp URL [--user USER --password-file FILE]
                 [--from ADDRESS] [--ca-file FILE]
  remove NAME
  test NAME      (exit 0 when delivered, 1 when not)
  log [COUNT]    (the newest deliveries first)
EVENTS: down,up,reminder, comma-separated; FORM: json, slack, telegram or ntfy.
A password or token is read from a file only its owner may read; the channel keeps the file&apos;s path.
With the FILE &quot;-&quot; it is read from standard input and written to such a file in the user&apos;s configuration folder.
</translation>
    </message>
</context>
<context>
    <name>web::AuthFile</name>
    <message>
        <source>строка %1: ожидается «пользователь:хеш»</source>
        <translation>line %1: “user:hash” expected</translation>
    </message>
    <message>
        <source>строка %1: хеш пользователя %2 сделан устаревшим способом; сделайте новый командой openssl passwd -6 или mkpasswd</source>
        <translation>line %1: the hash of user %2 is of an obsolete kind; make a new one with openssl passwd -6 or mkpasswd</translation>
    </message>
    <message>
        <source>строка %1: у пользователя %2 не хеш crypt(3) (ожидается, например, $6$… или $y$…)</source>
        <translation>line %1: user %2 has no crypt(3) hash (such as $6$… or $y$…)</translation>
    </message>
    <message>
        <source>строка %1: пользователь %2 указан второй раз</source>
        <translation>line %1: user %2 is given a second time</translation>
    </message>
    <message>
        <source>в файле нет ни одного пользователя</source>
        <translation>the file has no user</translation>
    </message>
    <message>
        <source>не удалось прочитать %1: %2</source>
        <translation>cannot read %1: %2</translation>
    </message>
</context>
<context>
    <name>web::ListenAddress</name>
    <message>
        <source>--listen %1: ожидается АДРЕС:ПОРТ, например %2</source>
        <translation>--listen %1: HOST:PORT expected, e.g. %2</translation>
    </message>
    <message>
        <source>--listen %1: порт должен быть от 1 до 65535</source>
        <translation>--listen %1: the port must be 1-65535</translation>
    </message>
    <message>
        <source>--listen %1: адрес IPv6 пишется в квадратных скобках, например [::1]:9797</source>
        <translation>--listen %1: write an IPv6 address in brackets, e.g. [::1]:9797</translation>
    </message>
    <message>
        <source>--listen %1: %2 — не IP-адрес</source>
        <translation>--listen %1: %2 is not an IP address</translation>
    </message>
</context>
<context>
    <name>web::PageTexts</name>
    <message>
        <source>Состояние сети</source>
        <translation>Network status</translation>
    </message>
    <message>
        <source>Фильтр: адрес или описание</source>
        <translation>Filter: address or description</translation>
    </message>
    <message>
        <source>Хост</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Отклик</source>
        <translation>Round trip</translation>
    </message>
    <message>
        <source>Потери за час</source>
        <translation>Loss, 1 h</translation>
    </message>
    <message>
        <source>Доступность</source>
        <translation>Availability</translation>
    </message>
    <message>
        <source>90 дней</source>
        <translation>90 days</translation>
    </message>
    <message>
        <source>Отклик и потери за сутки</source>
        <translation>Round trip and loss, 24 h</translation>
    </message>
    <message>
        <source>24 ч</source>
        <translation>24 h</translation>
    </message>
    <message>
        <source>7 дн</source>
        <translation>7 d</translation>
    </message>
    <message>
        <source>30 дн</source>
        <translation>30 d</translation>
    </message>
    <message>
        <source>90 дн</source>
        <translation>90 d</translation>
    </message>
    <message>
        <source>365 дн</source>
        <translation>365 d</translation>
    </message>
    <message>
        <source>доступен</source>
        <translation>up</translation>
    </message>
    <message>
        <source>недоступен</source>
        <translation>down</translation>
    </message>
    <message>
        <source>не наблюдается</source>
        <translation>not watched</translation>
    </message>
    <message>
        <source>плановые работы</source>
        <translation>maintenance</translation>
    </message>
    <message>
        <source>сигналы отключены</source>
        <translation>alerts muted</translation>
    </message>
    <message>
        <source>за узлом %1</source>
        <translation>behind %1</translation>
    </message>
    <message>
        <source>нет данных</source>
        <translation>no data</translation>
    </message>
    <message>
        <source>%1: не наблюдалось</source>
        <translation>%1: not watched</translation>
    </message>
    <message>
        <source>%1: сбоев нет, наблюдение %2</source>
        <translation>%1: no outage, watched %2</translation>
    </message>
    <message>
        <source>%1: сбои %2 из %3 наблюдения</source>
        <translation>%1: down %2 of %3 watched</translation>
    </message>
    <message>
        <source>Сбои %1 за %2</source>
        <translation>Outages of %1 on %2</translation>
    </message>
    <message>
        <source>Начало</source>
        <translation>Begin</translation>
    </message>
    <message>
        <source>Конец</source>
        <translation>End</translation>
    </message>
    <message>
        <source>Длительность</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>продолжается</source>
        <translation>ongoing</translation>
    </message>
    <message>
        <source>Сбоев не было.</source>
        <translation>No outages.</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Недоступны: %1 из %2</source>
        <translation>Down: %1 of %2</translation>
    </message>
    <message>
        <source>Монитор не наблюдает; последний проход: %1</source>
        <translation>The monitor is not watching; last pass: %1</translation>
    </message>
    <message>
        <source>Монитор ещё не наблюдал</source>
        <translation>The monitor has not watched yet</translation>
    </message>
    <message>
        <source>Последний проход: %1</source>
        <translation>Last pass: %1</translation>
    </message>
    <message>
        <source>Обновлено: %1</source>
        <translation>Updated: %1</translation>
    </message>
    <message>
        <source>Нет связи с сервером Orvant: показаны последние данные</source>
        <translation>No connection to the Orvant server: the last data shown</translation>
    </message>
    <message>
        <source>База данных не отвечает: показаны последние прочитанные данные</source>
        <translation>The database does not answer: the last data read shown</translation>
    </message>
    <message>
        <source>%1 д</source>
        <translation>%1 d</translation>
    </message>
    <message>
        <source>%1 ч</source>
        <translation>%1 h</translation>
    </message>
    <message>
        <source>%1 мин</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 с</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 мс</source>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>%1: отклик %2, потери %3</source>
        <translation>%1: round trip %2, loss %3</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>none</translation>
    </message>
    <message>
        <source>не видят: %1</source>
        <translation>down for: %1</translation>
    </message>
</context>
<context>
    <name>web::StatusStore</name>
    <message>
        <source>база данных не отвечает %1 с</source>
        <translation>the database has not answered for %1 s</translation>
    </message>
</context>
</TS>
