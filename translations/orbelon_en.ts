<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru_RU">
<context>
    <name>TForm1</name>
    <message>
        <source>Файл: %1</source>
        <translation>File: %1</translation>
    </message>
    <message>
        <source>Файл: %1, строка %2</source>
        <translation>File: %1, line %2</translation>
    </message>
    <message>
        <source>Сохранить график</source>
        <translation>Save chart</translation>
    </message>
    <message>
        <source>ВЫХОД</source>
        <translation>EXIT</translation>
    </message>
    <message>
        <source>Старт</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Масштабы UT:</source>
        <translation>UT scales:</translation>
    </message>
    <message>
        <source>Масштабы X,Y:</source>
        <translation>X,Y scales:</translation>
    </message>
    <message>
        <source>Просмотр графиков</source>
        <translation>Chart viewer</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Изменение рядов данных</source>
        <translation>Edit data series</translation>
    </message>
    <message>
        <source>Статистика рядов</source>
        <translation>Series statistics</translation>
    </message>
    <message>
        <source>График</source>
        <translation>Chart</translation>
    </message>
    <message>
        <source>Сохранить график…</source>
        <translation>Save chart…</translation>
    </message>
    <message>
        <source>Копировать график</source>
        <translation>Copy chart</translation>
    </message>
    <message>
        <source>Шкала по данным</source>
        <translation>Fit scale to data</translation>
    </message>
    <message>
        <source>Перечитать данные</source>
        <translation>Reload data</translation>
    </message>
    <message>
        <source>Панель состояния</source>
        <translation>Status bar</translation>
    </message>
    <message>
        <source>  Нажмите кнопку &quot;Старт&quot;</source>
        <translation>  Press &quot;Start&quot;</translation>
    </message>
    <message>
        <source>Масштабы UT</source>
        <translation>UT scales</translation>
    </message>
    <message>
        <source>Колич-во клеток сетки по вертикали</source>
        <translation>Number of vertical grid cells</translation>
    </message>
    <message>
        <source>Текущий:</source>
        <translation>Current:</translation>
    </message>
    <message>
        <source>Выбрать:</source>
        <translation>Choose:</translation>
    </message>
    <message>
        <source>ПВЗ:</source>
        <translation>EOP:</translation>
    </message>
    <message>
        <source>Интервал:</source>
        <translation>Interval:</translation>
    </message>
    <message>
        <source>Месяц</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>Год</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>Тренд:</source>
        <translation>Trend:</translation>
    </message>
    <message>
        <source>Нет</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Есть</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Визиры:</source>
        <translation>Crosshair:</translation>
    </message>
    <message>
        <source>Сдвиг по времени назад</source>
        <translation>One week back</translation>
    </message>
    <message>
        <source>Сдвиг по времени вперед</source>
        <translation>One week forward</translation>
    </message>
    <message>
        <source>Сдвиг вверх</source>
        <translation>Pan up</translation>
    </message>
    <message>
        <source>Сдвиг вниз</source>
        <translation>Pan down</translation>
    </message>
    <message>
        <source>Растянуть по вертикали</source>
        <translation>Stretch vertically</translation>
    </message>
    <message>
        <source>Сжать по вертикали</source>
        <translation>Compress vertically</translation>
    </message>
    <message>
        <source>Возврат к текущей дате</source>
        <translation>Back to the current date</translation>
    </message>
    <message>
        <source>  Опорный ряд %1 не имеет точек в окне</source>
        <translation>  The reference series %1 has no points in the window</translation>
    </message>
    <message>
        <source>Разности от опорного ряда</source>
        <translation>Differences from the reference series</translation>
    </message>
    <message>
        <source>Разности:</source>
        <translation>Differences:</translation>
    </message>
    <message>
        <source>от ряда</source>
        <translation>from series</translation>
    </message>
    <message>
        <source>без сдвига и наклона</source>
        <translation>without bias and rate</translation>
    </message>
    <message>
        <source>Опорный ряд</source>
        <translation>Reference series</translation>
    </message>
    <message>
        <source>Убрать из разностей каждого ряда его собственные сдвиг и наклон</source>
        <translation>Take each series&apos; own bias and rate out of its differences</translation>
    </message>
</context>
<context>
    <name>TfmABOUT</name>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
</context>
<context>
    <name>TfmFormat</name>
    <message>
        <source>Изменение рядов данных</source>
        <translation>Edit data series</translation>
    </message>
    <message>
        <source>Название ряда</source>
        <translation>Series title</translation>
    </message>
    <message>
        <source>Имя файла</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>Формат</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Значок</source>
        <translation>Symbol</translation>
    </message>
    <message>
        <source>Цвет</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Ок</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>линия</source>
        <translation>line</translation>
    </message>
    <message>
        <source>квадрат</source>
        <translation>square</translation>
    </message>
    <message>
        <source>круг</source>
        <translation>circle</translation>
    </message>
    <message>
        <source>треугольник</source>
        <translation>triangle</translation>
    </message>
    <message>
        <source>Инициализационный файл не найден. Создать новый?</source>
        <translation>The settings file was not found. Create a new one?</translation>
    </message>
</context>
<context>
    <name>TfmStats</name>
    <message>
        <source>Статистика рядов</source>
        <translation>Series statistics</translation>
    </message>
    <message>
        <source>Опорный ряд:</source>
        <translation>Reference series:</translation>
    </message>
    <message>
        <source>Копировать</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Сохранить…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>Сохранить статистику</source>
        <translation>Save statistics</translation>
    </message>
    <message>
        <source> (опорный ряд %1 скрыт)</source>
        <translation> (reference series %1 hidden)</translation>
    </message>
</context>
<context>
    <name>erp</name>
    <message>
        <source>M: 3 мс</source>
        <translation>M: 3 ms</translation>
    </message>
    <message>
        <source>M: 2 мс</source>
        <translation>M: 2 ms</translation>
    </message>
    <message>
        <source>M: 1 мс</source>
        <translation>M: 1 ms</translation>
    </message>
    <message>
        <source>M: 0,5 мс</source>
        <translation>M: 0.5 ms</translation>
    </message>
    <message>
        <source>M: 0,25 мс</source>
        <translation>M: 0.25 ms</translation>
    </message>
    <message>
        <source>M: 0,25мс</source>
        <translation>M: 0.25 ms</translation>
    </message>
    <message>
        <source>  Считывание данных из файла: </source>
        <translation>  Reading data from file: </translation>
    </message>
    <message>
        <source>Путь к файлам данных указан неверно!</source>
        <translation>The path to the data files is wrong!</translation>
    </message>
    <message>
        <source>Ряд</source>
        <translation>Series</translation>
    </message>
    <message>
        <source>Точек</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>Общих эпох</source>
        <translation>Common epochs</translation>
    </message>
    <message>
        <source>Среднее</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>СКО</source>
        <translation>SD</translation>
    </message>
    <message>
        <source>Мин.</source>
        <translation>Min.</translation>
    </message>
    <message>
        <source>Макс.</source>
        <translation>Max.</translation>
    </message>
    <message>
        <source>Дрейф</source>
        <translation>Drift</translation>
    </message>
    <message>
        <source>мс</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>мсд</source>
        <translation>mas</translation>
    </message>
    <message>
        <source>год</source>
        <translation>yr</translation>
    </message>
    <message>
        <source>M: 0,030&quot;</source>
        <translation>M: 0.030&quot;</translation>
    </message>
    <message>
        <source>M: 0,020&quot;</source>
        <translation>M: 0.020&quot;</translation>
    </message>
    <message>
        <source>M: 0,010&quot;</source>
        <translation>M: 0.010&quot;</translation>
    </message>
    <message>
        <source>M: 0,005&quot;</source>
        <translation>M: 0.005&quot;</translation>
    </message>
    <message>
        <source>M: 0,0025&quot;</source>
        <translation>M: 0.0025&quot;</translation>
    </message>
    <message>
        <source>Разностей</source>
        <translation>Differences</translation>
    </message>
    <message>
        <source>Последняя эпоха</source>
        <translation>Latest epoch</translation>
    </message>
    <message>
        <source>M: 0,1 мс</source>
        <translation>M: 0.1 ms</translation>
    </message>
    <message>
        <source>M: 0,05 мс</source>
        <translation>M: 0.05 ms</translation>
    </message>
    <message>
        <source>M: 0,025 мс</source>
        <translation>M: 0.025 ms</translation>
    </message>
    <message>
        <source>M: 0,01 мс</source>
        <translation>M: 0.01 ms</translation>
    </message>
    <message>
        <source>M: 0,005 мс</source>
        <translation>M: 0.005 ms</translation>
    </message>
    <message>
        <source>M: 1 мсд</source>
        <translation>M: 1 mas</translation>
    </message>
    <message>
        <source>M: 0,5 мсд</source>
        <translation>M: 0.5 mas</translation>
    </message>
    <message>
        <source>M: 0,25 мсд</source>
        <translation>M: 0.25 mas</translation>
    </message>
    <message>
        <source>M: 0,1 мсд</source>
        <translation>M: 0.1 mas</translation>
    </message>
    <message>
        <source>M: 0,05 мсд</source>
        <translation>M: 0.05 mas</translation>
    </message>
</context>
</TS>
