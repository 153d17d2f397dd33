IF EXISTS (SELECT name FROM master..sysdatabases WHERE name = N'HarborArchive') DROP DATABASE HarborArchive
GO
CREATE DATABASE HarborArchive
GO
USE HarborArchive
GO
CREATE TABLE Categories (
	CategoryID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_Categories PRIMARY KEY,
	CategoryName nvarchar(15) NOT NULL,
	Description ntext NULL,
	Picture image NULL
)
GO
CREATE TABLE Suppliers (
	SupplierID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_Suppliers PRIMARY KEY,
	CompanyName nvarchar(40) NOT NULL,
	ContactName nvarchar(30) NULL,
	City nvarchar(15) NULL,
	Country nvarchar(15) NULL,
	Phone nvarchar(24) NULL
)
GO
CREATE DEFAULT dfZero AS 0
GO
CREATE TABLE Products (
	ProductID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_Products PRIMARY KEY,
	ProductName nvarchar(40) NOT NULL,
	SupplierID int NULL CONSTRAINT FK_Products_Suppliers REFERENCES Suppliers (SupplierID),
	CategoryID int NULL CONSTRAINT FK_Products_Categories REFERENCES Categories (CategoryID),
	QuantityPerUnit varchar(40) NULL,
	UnitPrice money NULL CONSTRAINT DF_Products_UnitPrice DEFAULT (0),
	UnitsInStock smallint NULL CONSTRAINT DF_Products_UnitsInStock DEFAULT (0),
	UnitsOnOrder smallint NULL CONSTRAINT DF_Products_UnitsOnOrder DEFAULT (0),
	ReorderLevel smallint NULL,
	Discontinued bit NOT NULL CONSTRAINT DF_Products_Discontinued DEFAULT (0),
	InventoryValue AS (UnitPrice * (UnitsInStock + UnitsOnOrder)),
	CONSTRAINT CK_Products_UnitPrice CHECK ([UnitPrice] >= 0)
)
GO
EXEC sp_bindefault 'dfZero', 'Products.ReorderLevel'
GO
CREATE TABLE Customers (
	CustomerID nchar(5) NOT NULL CONSTRAINT PK_Customers PRIMARY KEY,
	CompanyName nvarchar(40) NOT NULL,
	ContactName nvarchar(30) NULL,
	Address nvarchar(60) NULL,
	City nvarchar(15) NULL,
	Region nvarchar(15) NULL,
	PostalCode nvarchar(10) NULL,
	Country nvarchar(15) NULL,
	Phone nvarchar(24) NULL
)
GO
CREATE TABLE Employees (
	EmployeeID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_Employees PRIMARY KEY,
	LastName nvarchar(20) NOT NULL,
	FirstName nvarchar(10) NOT NULL,
	Title nvarchar(30) NOT NULL,
	ReportsTo int NULL CONSTRAINT FK_Employees_Employees REFERENCES Employees (EmployeeID),
	HireDate datetime NULL,
	BirthDate smalldatetime NULL,
	HomePhone nvarchar(24) NULL,
	Extension varchar(4) NULL,
	Photo image NULL,
	Notes ntext NULL,
	CONSTRAINT CK_Employees_BirthDate CHECK ([BirthDate] < [HireDate])
)
GO
CREATE TABLE Shippers (
	ShipperID int NOT NULL CONSTRAINT PK_Shippers PRIMARY KEY,
	CompanyName nvarchar(40) NOT NULL,
	Phone nvarchar(24) NULL
)
GO
CREATE TABLE Orders (
	OrderID int IDENTITY (10248, 1) NOT NULL CONSTRAINT PK_Orders PRIMARY KEY,
	CustomerID nchar(5) NULL CONSTRAINT FK_Orders_Customers REFERENCES Customers (CustomerID),
	EmployeeID int NULL CONSTRAINT FK_Orders_Employees REFERENCES Employees (EmployeeID),
	OrderDate datetime NULL CONSTRAINT DF_Orders_OrderDate DEFAULT (getdate()),
	RequiredDate datetime NULL,
	ShippedDate datetime NULL,
	ShipVia int NULL CONSTRAINT FK_Orders_Shippers REFERENCES Shippers (ShipperID),
	Freight money NULL CONSTRAINT DF_Orders_Freight DEFAULT (0),
	ShipName nvarchar(40) NULL,
	ShipCountry nvarchar(15) NULL
)
GO
CREATE TABLE [Order Details] (
	OrderID int NOT NULL CONSTRAINT FK_Order_Details_Orders REFERENCES Orders (OrderID),
	ProductID int NOT NULL CONSTRAINT FK_Order_Details_Products REFERENCES Products (ProductID),
	UnitPrice money NOT NULL CONSTRAINT DF_Order_Details_UnitPrice DEFAULT (0),
	Quantity smallint NOT NULL CONSTRAINT DF_Order_Details_Quantity DEFAULT (1) CHECK ([Quantity] > 0),
	Discount real NOT NULL CONSTRAINT DF_Order_Details_Discount DEFAULT (0),
	CONSTRAINT PK_Order_Details PRIMARY KEY (OrderID, ProductID),
	CONSTRAINT CK_Discount CHECK ([Discount] >= 0 and [Discount] <= 1)
)
GO
CREATE TABLE Region (
	RegionID int NOT NULL CONSTRAINT PK_Region PRIMARY KEY,
	RegionDescription nchar(50) NOT NULL
)
GO
CREATE TABLE Territories (
	TerritoryID nvarchar(20) NOT NULL CONSTRAINT PK_Territories PRIMARY KEY,
	TerritoryDescription nchar(50) NOT NULL,
	RegionID int NOT NULL CONSTRAINT FK_Territories_Region REFERENCES Region (RegionID)
)
GO
CREATE TABLE EmployeeTerritories (
	EmployeeID int NOT NULL CONSTRAINT FK_EmployeeTerritories_Employees REFERENCES Employees (EmployeeID),
	TerritoryID nvarchar(20) NOT NULL CONSTRAINT FK_EmployeeTerritories_Territories REFERENCES Territories (TerritoryID),
	CONSTRAINT PK_EmployeeTerritories PRIMARY KEY (EmployeeID, TerritoryID)
)
GO
EXEC sp_addtype PhoneNumber, 'varchar(24)', 'NULL'
GO
CREATE TABLE TypeSamples (
	SampleID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_TypeSamples PRIMARY KEY,
	BitValue bit NULL,
	TinyValue tinyint NULL,
	SmallValue smallint NULL,
	IntValue int NULL,
	BigValue bigint NULL,
	DecimalValue decimal(10, 2) NULL,
	NumericValue numeric(18, 4) NULL,
	MoneyValue money NULL,
	SmallMoneyValue smallmoney NULL,
	FloatValue float NULL,
	RealValue real NULL,
	DateTimeValue datetime NULL,
	SmallDateValue smalldatetime NULL,
	CharValue char(10) NULL,
	VarCharValue varchar(50) NULL,
	NCharValue nchar(10) NULL,
	NVarCharValue nvarchar(50) NULL,
	TextValue text NULL,
	NTextValue ntext NULL,
	ImageValue image NULL,
	BinaryValue binary(8) NULL,
	VarBinaryValue varbinary(16) NULL,
	GuidValue uniqueidentifier NULL CONSTRAINT DF_TypeSamples_GuidValue DEFAULT (newid()),
	Stamp timestamp NOT NULL,
	Phone PhoneNumber NULL,
	IntPlusSmall AS (IntValue + SmallValue)
)
GO
CREATE TABLE OrderHistory (
	HistoryID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_OrderHistory PRIMARY KEY,
	OrderID int NOT NULL,
	ArchivedOn datetime NOT NULL CONSTRAINT DF_OrderHistory_ArchivedOn DEFAULT (getdate()),
	StatusText varchar(30) NULL
)
GO
INSERT INTO Categories (CategoryName, Description, Picture) VALUES (N'Beverages', N'Soft drinks, coffees, teas, beers, and ales', 0x474946383961)
INSERT INTO Categories (CategoryName, Description, Picture) VALUES (N'Condiments', N'Sweet and savory sauces, relishes, spreads, and seasonings', NULL)
INSERT INTO Categories (CategoryName, Description, Picture) VALUES (N'Confections', N'Desserts, candies, and sweet breads', 0x89504E470D0A1A0A)
INSERT INTO Categories (CategoryName, Description, Picture) VALUES (N'Dairy Products', N'Cheeses', NULL)
INSERT INTO Categories (CategoryName, Description, Picture) VALUES (N'Grains/Cereals', N'Breads, crackers, pasta, and cereal', NULL)
INSERT INTO Categories (CategoryName, Description, Picture) VALUES (N'Meat/Poultry', N'Prepared meats', NULL)
INSERT INTO Categories (CategoryName, Description, Picture) VALUES (N'Produce', N'Dried fruit and bean curd', NULL)
INSERT INTO Categories (CategoryName, Description, Picture) VALUES (N'Seafood', NULL, NULL)
GO
INSERT INTO Suppliers (CompanyName, ContactName, City, Country, Phone) VALUES (N'Exotic Liquids', N'Charlotte Cooper', N'London', N'UK', N'(171) 555-2222')
INSERT INTO Suppliers (CompanyName, ContactName, City, Country, Phone) VALUES (N'New Orleans Cajun Delights', N'Shelley Burke', N'New Orleans', N'USA', N'(100) 555-4822')
INSERT INTO Suppliers (CompanyName, ContactName, City, Country, Phone) VALUES (N'Grandma Kelly''s Homestead', N'Regina Murphy', N'Ann Arbor', N'USA', N'(313) 555-5735')
INSERT INTO Suppliers (CompanyName, ContactName, City, Country, Phone) VALUES (N'Tokyo Traders', N'Yoshi Nagase', N'Tokyo', N'Japan', N'(03) 3555-5011')
INSERT INTO Suppliers (CompanyName, ContactName, City, Country, Phone) VALUES (N'Cooperativa de Quesos', N'Antonio del Valle', N'Oviedo', N'Spain', N'(98) 598 76 54')
INSERT INTO Suppliers (CompanyName, ContactName, City, Country, Phone) VALUES (N'Mayumi''s', N'Mayumi Ohno', N'Osaka', N'Japan', NULL)
INSERT INTO Suppliers (CompanyName, ContactName, City, Country, Phone) VALUES (N'Pavlova, Ltd.', N'Ian Devling', N'Melbourne', N'Australia', N'(03) 444-2343')
INSERT INTO Suppliers (CompanyName, ContactName, City, Country, Phone) VALUES (N'Northern Biscuits, Ltd.', N'Peter Wilson', N'Manchester', N'UK', N'(161) 555-4448')
INSERT INTO Suppliers (CompanyName, ContactName, City, Country, Phone) VALUES (N'PB Knaeckebroed AB', N'Lars Peterson', N'Goeteborg', N'Sweden', N'031-987 65 43')
INSERT INTO Suppliers (CompanyName, ContactName, City, Country, Phone) VALUES (N'O''Brien Fine Foods', N'Sean O''Brien', N'Dublin', N'Ireland', N'(01) 555 0199')
GO
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Chai', 1, 4, NULL, 9.65, 34, 10, 25, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Chang', 2, 7, '48 - 6 oz jars', 31.23, 94, 0, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Aniseed', 3, 2, '1 kg pkg.', 55, 104, 10, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Cajun', 4, 5, '48 - 6 oz jars', 55, 82, 10, 5, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Gumbo', 5, 8, '1 kg pkg.', 38, 100, 40, 10, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Boysenberry', 6, 3, '24 - 12 oz bottles', 38, 26, 0, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Dried Pears', 7, 6, '24 - 12 oz bottles', 21.05, 49, 10, 25, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Cranberry', 8, 1, '48 - 6 oz jars', 4.5, 2, 0, 5, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Kobe', 9, 4, '36 boxes', 21.05, 65, 40, 25, 1)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Ikura', 10, 7, NULL, 18, 37, 40, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Queso', 1, 2, '48 - 6 oz jars', 18, 8, 40, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Konbu', 2, 5, '48 - 6 oz jars', 10, 13, 10, 15, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Tofu', 3, 8, '48 - 6 oz jars', 38, 48, 0, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Genen', 4, 3, '24 - 12 oz bottles', 4.5, 72, 0, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Pavlova', 5, 6, '24 - 12 oz bottles', 21.05, 15, 20, 10, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Alice Mutton', 6, 1, '10 boxes x 20 bags', 55, 45, 0, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Tigers', 7, 4, '1 kg pkg.', 12.5, 6, 0, 25, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Teatime', 8, 7, '10 boxes x 20 bags', 12.5, 56, 20, 5, 1)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Marmalade', 9, 2, '48 - 6 oz jars', 12.5, 30, 20, 25, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Scones', 10, 5, '48 - 6 oz jars', 25, 14, 0, 15, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Nougat', 1, 8, '12 - 550 ml bottles', 19, 69, 0, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Gorgonzola', 2, 3, '48 - 6 oz jars', 18, 49, 40, 15, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Mascarpone', 3, 6, '24 - 12 oz bottles', 43.9, 79, 40, 25, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Geitost', 4, 1, '10 boxes x 20 bags', 12.5, 114, 0, 25, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Sasquatch', 5, 4, '48 - 6 oz jars', 18, 68, 0, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Steeleye', 6, 7, '10 boxes x 20 bags', 38, 66, 20, 25, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Inlagd Sill', 7, 2, '48 - 6 oz jars', 97, 48, 10, 0, 1)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Gravad Lax', 8, 5, '12 - 550 ml bottles', 25, 118, 10, 10, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Cote de Blaye', 9, 8, '12 - 550 ml bottles', 97, 96, 40, 25, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Chartreuse', 10, 3, '48 - 6 oz jars', 31.23, 56, 40, 15, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Boston Crab', 1, 6, '36 boxes', 10, 101, 40, 5, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Clam Chowder', 2, 1, '10 boxes x 20 bags', 43.9, 67, 40, 25, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Jack''s Coffee', 3, 4, NULL, 62.5, 53, 0, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Singaporean Noodles', 4, 7, '10 boxes x 20 bags', 9.65, 46, 0, 25, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Gnocchi', 5, 2, '12 - 550 ml bottles', 10, 31, 0, 5, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Ravioli', 6, 5, '24 - 12 oz bottles', 21.05, 76, 40, 5, 1)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Escargots', 7, 8, '1 kg pkg.', 25, 116, 0, 5, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Raclette', 8, 3, '36 boxes', 10, 104, 10, 15, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Camembert', 9, 6, '48 - 6 oz jars', 18, 58, 40, 0, 0)
INSERT INTO Products (ProductName, SupplierID, CategoryID, QuantityPerUnit, UnitPrice, UnitsInStock, UnitsOnOrder, ReorderLevel, Discontinued) VALUES (N'Tarte au sucre', 10, 1, '36 boxes', 22, 30, 20, 0, 0)
GO
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0001', N'Royal Emporium 1', N'Thomas Afonso', N'38 Trujillo Street', N'Strasbourg', NULL, N'17919', N'France', N'(117) 555-4391')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0002', N'Cedar Supplies 2', N'Frederique Moreno', N'75 Moreno Street', N'Bern', NULL, N'25838', N'Switzerland', N'(134) 555-8782')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0003', N'Harbor Grocers 3', N'Elizabeth Cruz', N'112 Hardy Street', N'Seattle', N'WA', N'33757', N'USA', N'(151) 555-3173')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0004', N'Eastern Bazaar 4', N'Francisco Berglund', N'149 Berglund Street', N'London', NULL, N'41676', N'UK', N'(168) 555-7564')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0005', N'Island Pantry 5', N'Aria Cramer', N'186 Moos Street', N'Marseille', NULL, N'49595', N'France', N'(185) 555-1955')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0006', N'Northwind Foods 6', N'Daniel Citeaux', N'223 Citeaux Street', N'Aachen', NULL, N'57514', N'Germany', N'(202) 555-6346')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0007', N'Coastal Imports 7', N'Renate Roulet', N'260 Sommer Street', N'Portland', N'OR', N'65433', N'USA', N'(219) 555-0737')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0008', N'Lakeside Kitchens 8', N'Maria Lebihan', N'297 Lebihan Street', N'Mannheim', NULL, N'73352', N'Germany', N'(236) 555-5128')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0009', N'Blue Wholesale 9', N'Thomas Messner', N'334 Lincoln Street', N'Buenos Aires', NULL, N'81271', N'Argentina', N'(253) 555-9519')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0010', N'Prairie Delicatessen 10', N'Frederique Ashworth', N'371 Ashworth Street', N'Caracas', N'DF', N'89190', N'Venezuela', N'(270) 555-3910')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0011', N'Granite Markets 11', N'Elizabeth Hernandez', N'408 Simpson Street', N'Mexico D.F.', NULL, N'97109', N'Mexico', N'(287) 555-8301')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0012', N'Golden Outfitters 12', N'Francisco Chang', N'445 Chang Street', N'Madrid', NULL, N'15028', N'Spain', N'(304) 555-2692')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0013', N'Summit Stores 13', N'Aria Trujillo', N'482 Afonso Street', N'Sao Paulo', N'SP', N'22947', N'Brazil', N'(321) 555-7083')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0014', N'Sunset Provisions 14', N'Daniel Brown', N'519 Brown Street', N'Dublin', NULL, N'30866', N'Ireland', N'(338) 555-1474')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0015', N'Silver Traders 15', N'Renate Hardy', N'556 Cruz Street', N'Lulea', NULL, N'38785', N'Sweden', N'(355) 555-5865')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0016', N'River Emporium 16', N'Maria Roel', N'593 Roel Street', N'Tsawassen', N'BC', N'46704', N'Canada', N'(372) 555-0256')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0017', N'O''Brien''s Corner Shop', N'Sean O''Brien', N'630 Cramer Street', N'Dublin', NULL, N'54623', N'Ireland', N'(389) 555-4647')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0018', N'Green Grocers 18', N'Frederique Tonini', N'667 Tonini Street', N'Berlin', NULL, N'62542', N'Germany', N'(406) 555-9038')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0019', N'Maple Bazaar 19', N'Elizabeth Sommer', N'704 Roulet Street', N'Strasbourg', NULL, N'70461', N'France', N'(423) 555-3429')
INSERT INTO Customers (CustomerID, CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone) VALUES (N'C0020', N'Alpine Pantry 20', N'Francisco Latimer', N'741 Latimer Street', N'Bern', NULL, N'78380', N'Switzerland', N'(440) 555-7820')
GO
INSERT INTO Employees (LastName, FirstName, Title, ReportsTo, HireDate, BirthDate, HomePhone, Extension, Photo, Notes) VALUES (N'Fuller', N'Andrew', N'Vice President, Sales', NULL, '19920814', '19520219', N'(206) 555-9482', '3457', 0x0A0B0C, N'Andrew Fuller joined Harbor in 1992.')
INSERT INTO Employees (LastName, FirstName, Title, ReportsTo, HireDate, BirthDate, HomePhone, Extension, Photo, Notes) VALUES (N'Davolio', N'Nancy', N'Sales Representative', 1, '19920501', '19481208', N'(206) 555-9857', '5467', NULL, NULL)
INSERT INTO Employees (LastName, FirstName, Title, ReportsTo, HireDate, BirthDate, HomePhone, Extension, Photo, Notes) VALUES (N'Leverling', N'Janet', N'Sales Representative', 1, '19920401', '19630830', N'(206) 555-3412', '3355', NULL, N'Janet Leverling joined Harbor in 1992.')
INSERT INTO Employees (LastName, FirstName, Title, ReportsTo, HireDate, BirthDate, HomePhone, Extension, Photo, Notes) VALUES (N'Peacock', N'Margaret', N'Sales Representative', 1, '19930503', '19370919', N'(206) 555-8122', '5176', NULL, NULL)
INSERT INTO Employees (LastName, FirstName, Title, ReportsTo, HireDate, BirthDate, HomePhone, Extension, Photo, Notes) VALUES (N'Buchanan', N'Steven', N'Sales Manager', 1, '19931017', '19550304', N'(71) 555-4848', '3453', NULL, N'Steven Buchanan joined Harbor in 1993.')
INSERT INTO Employees (LastName, FirstName, Title, ReportsTo, HireDate, BirthDate, HomePhone, Extension, Photo, Notes) VALUES (N'Suyama', N'Michael', N'Sales Representative', 5, '19931017', '19630702', N'(71) 555-7773', '428', NULL, NULL)
INSERT INTO Employees (LastName, FirstName, Title, ReportsTo, HireDate, BirthDate, HomePhone, Extension, Photo, Notes) VALUES (N'King', N'Robert', N'Sales Representative', 5, '19940102', '19600529', N'(71) 555-5598', '465', NULL, N'Robert King joined Harbor in 1994.')
INSERT INTO Employees (LastName, FirstName, Title, ReportsTo, HireDate, BirthDate, HomePhone, Extension, Photo, Notes) VALUES (N'Callahan', N'Laura', N'Inside Sales Coordinator', 1, '19940305', '19580109', N'(206) 555-1189', '2344', NULL, NULL)
INSERT INTO Employees (LastName, FirstName, Title, ReportsTo, HireDate, BirthDate, HomePhone, Extension, Photo, Notes) VALUES (N'O''Brien', N'Siobhan', N'Sales Representative', 5, '19941115', NULL, NULL, '452', NULL, N'Siobhan O''Brien joined Harbor in 1994.')
GO
INSERT INTO Shippers (ShipperID, CompanyName, Phone) VALUES (1, N'Speedy Express', N'(503) 555-9831')
INSERT INTO Shippers (ShipperID, CompanyName, Phone) VALUES (2, N'United Package', N'(503) 555-3199')
INSERT INTO Shippers (ShipperID, CompanyName, Phone) VALUES (3, N'Federal Shipping', NULL)
GO
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0001', 1, '19960704', '19960801', '19960707', 1, 0.50, N'Royal Emporium 1', N'France')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0018', 2, '19960720', '19960817', '19960725', 3, 80.91, N'Green Grocers 18', N'Germany')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0005', 8, '19960821', '19960918', '19960829', 3, 234.42, N'Island Pantry 5', N'France')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0009', 6, '19961008', '19961105', '19961012', 2, 468.34, N'Blue Wholesale 9', N'Argentina')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0013', 4, '19961125', '19961223', '19961204', 1, 702.26, N'Summit Stores 13', N'Brazil')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0017', 2, '19970112', '19970209', '19970117', 3, 36.18, N'O''Brien''s Corner Shop', N'Ireland')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0004', 8, '19970212', '19970312', '19970220', 3, 189.69, N'Eastern Bazaar 4', N'UK')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0008', 6, '19970401', '19970429', '19970405', 2, 423.61, N'Lakeside Kitchens 8', N'Germany')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0012', 4, '19970519', '19970616', '19970528', 1, 657.53, N'Golden Outfitters 12', N'Spain')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0016', 2, '19970706', '19970803', '19970711', 3, 891.45, N'River Emporium 16', NULL)
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0003', 8, '19970807', '19970904', '19970815', 3, 144.96, N'Harbor Grocers 3', N'USA')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0020', 9, '19970823', '19970920', '19970902', 2, 225.37, N'Alpine Pantry 20', N'Switzerland')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0007', 6, '19970924', '19971022', '19970928', 2, 378.88, N'Coastal Imports 7', N'USA')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0011', 4, '19971111', '19971209', '19971120', 1, 612.80, N'Granite Markets 11', N'Mexico')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0015', 2, '19971229', '19980126', '19980103', 3, 846.72, N'Silver Traders 15', N'Sweden')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0002', 8, '19980129', '19980226', '19980206', 3, 100.23, N'Cedar Supplies 2', N'Switzerland')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0019', 9, '19980215', '19980315', '19980225', 2, 180.64, N'Maple Bazaar 19', N'France')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0006', 6, '19980318', '19980415', '19980322', 2, 334.15, N'Northwind Foods 6', N'Germany')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0010', 4, '19980505', '19980602', '19980514', 1, 568.07, N'Prairie Delicatessen 10', N'Venezuela')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0014', 2, '19980622', '19980720', '19980627', 3, 801.99, N'Sunset Provisions 14', N'Ireland')
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, RequiredDate, ShippedDate, ShipVia, Freight, ShipName, ShipCountry) VALUES (N'C0001', 8, '19980724', '19980821', NULL, 3, 55.50, N'Royal Emporium 1', N'France')
GO
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10248, 11, 18, 4, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10248, 32, 43.9, 53, 0.15)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10248, 40, 22, 17, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10249, 2, 31.23, 47, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10249, 13, 38, 21, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10249, 16, 55, 41, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10249, 22, 18, 9, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10249, 38, 10, 24, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10250, 3, 55, 29, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10250, 23, 43.9, 30, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10250, 38, 10, 49, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10251, 8, 4.5, 47, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10251, 11, 18, 25, 0.15)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10251, 17, 12.5, 40, 0.2)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10251, 19, 12.5, 20, 0.15)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10251, 24, 12.5, 42, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10251, 25, 18, 34, 0.15)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10251, 39, 18, 20, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10252, 5, 38, 32, 0.15)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10252, 9, 21.05, 41, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10252, 26, 38, 52, 0.15)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10252, 32, 43.9, 27, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10253, 1, 9.65, 11, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10253, 7, 21.05, 51, 0.15)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10253, 12, 10, 3, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10253, 13, 38, 43, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10253, 29, 97, 4, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10253, 33, 62.5, 6, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10253, 38, 10, 45, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10254, 7, 21.05, 13, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10254, 8, 4.5, 14, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10254, 11, 18, 28, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10254, 14, 4.5, 51, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10254, 17, 12.5, 30, 0.15)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10255, 5, 38, 54, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10255, 15, 21.05, 55, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10255, 18, 12.5, 37, 0.15)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10256, 8, 4.5, 28, 0.2)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10256, 17, 12.5, 39, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10256, 21, 19, 22, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10256, 27, 97, 19, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10256, 29, 97, 6, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10256, 31, 10, 46, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10256, 35, 10, 41, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10257, 12, 10, 16, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10257, 16, 55, 56, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10257, 21, 19, 58, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10257, 22, 18, 48, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10257, 29, 97, 21, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10257, 30, 31.23, 37, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10258, 3, 55, 59, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10258, 5, 38, 42, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10258, 6, 38, 27, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10258, 10, 18, 48, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10258, 12, 10, 8, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10258, 13, 38, 35, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10258, 32, 43.9, 36, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10259, 4, 55, 50, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10259, 14, 4.5, 57, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10259, 39, 18, 18, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10260, 1, 9.65, 1, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10260, 10, 18, 41, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10260, 28, 25, 25, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10260, 29, 97, 59, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10261, 3, 55, 50, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10261, 4, 55, 38, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10261, 5, 38, 8, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10261, 14, 4.5, 19, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10261, 15, 21.05, 50, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10261, 29, 97, 25, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10262, 1, 9.65, 32, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10262, 5, 38, 6, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10262, 20, 25, 53, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10262, 24, 12.5, 21, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10262, 30, 31.23, 29, 0.2)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10262, 32, 43.9, 51, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10262, 35, 10, 29, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10263, 17, 12.5, 28, 0.2)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10263, 20, 25, 16, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10263, 25, 18, 35, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10263, 28, 25, 7, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10263, 34, 9.65, 17, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10263, 35, 10, 50, 0.2)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10263, 37, 25, 11, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10264, 9, 21.05, 7, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10264, 13, 38, 37, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10264, 24, 12.5, 21, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10265, 2, 31.23, 53, 0.2)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10265, 27, 97, 29, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10265, 36, 21.05, 39, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10266, 4, 55, 17, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10266, 22, 18, 19, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10266, 36, 21.05, 15, 0.2)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10266, 40, 22, 35, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10267, 8, 4.5, 49, 0)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10267, 9, 21.05, 44, 0.2)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10267, 12, 10, 33, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10267, 14, 4.5, 6, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10267, 16, 55, 16, 0.2)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10267, 23, 43.9, 44, 0.25)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10268, 8, 4.5, 1, 0.15)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10268, 22, 18, 48, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10268, 23, 43.9, 47, 0.05)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10268, 25, 18, 1, 0.1)
INSERT INTO [Order Details] (OrderID, ProductID, UnitPrice, Quantity, Discount) VALUES (10268, 32, 43.9, 15, 0)
GO
INSERT INTO Region (RegionID, RegionDescription) VALUES (1, N'Eastern')
INSERT INTO Region (RegionID, RegionDescription) VALUES (2, N'Western')
INSERT INTO Region (RegionID, RegionDescription) VALUES (3, N'Northern')
INSERT INTO Region (RegionID, RegionDescription) VALUES (4, N'Southern')
GO
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'01581', N'Westboro', 1)
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'01730', N'Bedford', 1)
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'02116', N'Boston', 1)
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'19713', N'Neward', 1)
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'44122', N'Beachwood', 3)
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'48075', N'Southfield', 3)
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'55113', N'Roseville', 3)
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'60601', N'Chicago', 2)
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'85014', N'Phoenix', 2)
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'94025', N'Menlo Park', 2)
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'29202', N'Columbia', 4)
INSERT INTO Territories (TerritoryID, TerritoryDescription, RegionID) VALUES (N'72716', N'Bentonville', 4)
GO
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (1, N'01581')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (1, N'01730')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (2, N'19713')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (2, N'02116')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (3, N'85014')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (3, N'94025')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (4, N'60601')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (5, N'29202')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (5, N'72716')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (6, N'44122')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (6, N'48075')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (7, N'55113')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (8, N'19713')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (8, N'60601')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (9, N'94025')
INSERT INTO EmployeeTerritories (EmployeeID, TerritoryID) VALUES (9, N'29202')
GO
INSERT INTO TypeSamples (BitValue, TinyValue, SmallValue, IntValue, BigValue, DecimalValue, NumericValue, MoneyValue, SmallMoneyValue, FloatValue, RealValue, DateTimeValue, SmallDateValue, CharValue, VarCharValue, NCharValue, NVarCharValue, TextValue, NTextValue, ImageValue, BinaryValue, VarBinaryValue, GuidValue, Phone) VALUES (1, 200, -1234, 123456, 9000000000, 12345.67, 123.4567, 1234.5600, 12.3400, 1.5, 2.25, '19991231 23:59:59.997', '20000101 12:30:00', 'Harbor', 'O''Brien', N'Kai', N'Smorrebrod', 'Long text of the first sample', N'Unicode text of the first sample', 0x474946383961, 0x0102030405060708, 0xDEADBEEF, '6F9619FF-8B86-D011-B42D-00C04FC964FF', '(206) 555-0100')
INSERT INTO TypeSamples (BitValue, TinyValue, SmallValue, IntValue, BigValue, DecimalValue, NumericValue, MoneyValue, SmallMoneyValue, FloatValue, RealValue, DateTimeValue, SmallDateValue, CharValue, VarCharValue, NCharValue, NVarCharValue, TextValue, NTextValue, ImageValue, BinaryValue, VarBinaryValue, GuidValue, Phone) VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)
INSERT INTO TypeSamples (BitValue, TinyValue, SmallValue, IntValue, BigValue, DecimalValue, NumericValue, MoneyValue, SmallMoneyValue, FloatValue, RealValue, DateTimeValue, SmallDateValue, CharValue, VarCharValue, NCharValue, NVarCharValue, TextValue, NTextValue, ImageValue, BinaryValue, VarBinaryValue, GuidValue, Phone) VALUES (0, 0, 32767, -2147483648, -9223372036854775808, -0.01, 0.0000, -922337203685477.5808, 214748.3647, -1E+100, 0, '17530101', '19000101', '', '', N'', N'', '', N'', 0x, 0x0000000000000000, 0x00, '00000000-0000-0000-0000-000000000000', '')
GO
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10248, '19970808', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10249, '19970824', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10250, '19970925', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10251, '19971112', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10252, '19971230', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10253, '19980216', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10254, '19980319', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10255, '19980506', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10256, '19980623', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10257, '19980810', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10258, '19980911', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10259, '19980927', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10260, '19981029', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10261, '19981216', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10262, '19990202', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10263, '19990305', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10264, '19990322', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10265, '19990422', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10266, '19990609', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10267, '19990727', 'Closed')
INSERT INTO OrderHistory (OrderID, ArchivedOn, StatusText) VALUES (10268, '19990828', 'Cancelled')
GO
